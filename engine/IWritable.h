// IWritable: everything that goes into a document can give its JSON form and
// write its binary package body to an open file.
#pragma once

#include <cstdio>

#include "JSON.h"

class IWritable {
public:
    virtual JSON ToJSON() const = 0;        // the object as a JSON value
    virtual void Write(FILE* file) const = 0;  // the object's package body

protected:
    // Objects are never deleted through an IWritable pointer.
    ~IWritable() = default;
};
