// JSON value type: construction, ownership, kind changes, building and
// queries. The text reader and writer live in JSONReader.cpp and
// JSONWriter.cpp.
#include "JSON.h"

// === Ownership ===============================================================

// Deletes the map, deque or string an Object, Array or String owns; the other
// kinds own nothing. The kind is left as it is: every caller installs new
// content and kind right after.
void JSON::FreePayload() {
    switch (kind) {
    case Kind::Object: delete payload.map; break;
    case Kind::Array: delete payload.list; break;
    case Kind::String: delete payload.string; break;
    default: break;
    }
}

// Fills this value (which owns nothing) with a deep copy of other.
void JSON::CopyFrom(const JSON& other) {
    switch (other.kind) {
    case Kind::Object: payload.map = new ObjectMap(*other.payload.map); break;
    case Kind::Array: payload.list = new ArrayDeque(*other.payload.list); break;
    case Kind::String: payload.string = new std::string(*other.payload.string); break;
    default: payload = other.payload; break;
    }
    kind = other.kind;
}

// Takes other's content into this value (which owns nothing); other is left
// Null with a zero payload.
void JSON::TakeFrom(JSON& other) {
    payload = other.payload;
    kind = other.kind;
    other.payload.map = nullptr;
    other.kind = Kind::Null;
}

// === Construction and assignment =============================================

JSON::JSON() : payload(), kind(Kind::Null) {}
JSON::JSON(const JSON& other) { CopyFrom(other); }
JSON::JSON(JSON&& other) noexcept { TakeFrom(other); }
JSON::JSON(int value) : payload(int32_t(value)), kind(Kind::Integer) {}
JSON::JSON(float value) : payload(double(value)), kind(Kind::Float) {}
JSON::JSON(double value) : payload(value), kind(Kind::Float) {}
JSON::JSON(const char* text) : payload(new std::string(text ? text : "")), kind(Kind::String) {}
JSON::JSON(std::string text) : payload(new std::string(std::move(text))), kind(Kind::String) {}
JSON::JSON(bool value) : payload(value), kind(Kind::Bool) {}

JSON::JSON(std::initializer_list<JSON> list) : payload(new ObjectMap()), kind(Kind::Object) {
    // Pairs of key and value; a lone trailing key has no value and is skipped.
    const JSON* items = list.begin();
    for (size_t i = 0; i + 1 < list.size(); i += 2)
        (*payload.map)[items[i].AsString()] = items[i + 1];
}

JSON::~JSON() { FreePayload(); }

JSON& JSON::operator=(const JSON& other) {
    if (this == &other)
        return *this;
    // Copy before releasing: other may live inside this value's own tree.
    JSON copy(other);
    FreePayload();
    TakeFrom(copy);
    return *this;
}

JSON& JSON::operator=(JSON&& other) noexcept {
    if (this == &other)
        return *this;
    // Detach first: other may live inside the tree that is released here.
    JSON taken(std::move(other));
    FreePayload();
    TakeFrom(taken);
    return *this;
}

JSON& JSON::operator=(int value) {
    SetKind(Kind::Integer);
    payload.int_value = value;
    return *this;
}

JSON& JSON::operator=(double value) {
    SetKind(Kind::Float);
    payload.float_value = value;
    return *this;
}

JSON& JSON::operator=(std::string text) {
    SetKind(Kind::String);
    *payload.string = std::move(text);
    return *this;
}

JSON& JSON::operator=(const char* text) { return *this = std::string(text ? text : ""); }

JSON& JSON::operator=(bool value) {
    SetKind(Kind::Bool);
    payload.bool_value = value;
    return *this;
}

// === Kinds ===================================================================

JSON JSON::MakeOfKind(Kind kind) {
    JSON value;
    value.SetKind(kind);
    return value;
}

JSON JSON::MakeArray() { return MakeOfKind(Kind::Array); }
JSON JSON::MakeObject() { return MakeOfKind(Kind::Object); }

void JSON::SetKind(Kind new_kind) {
    if (new_kind == kind)
        return;
    FreePayload();
    switch (new_kind) {
    case Kind::Object: payload.map = new ObjectMap(); break;
    case Kind::Array: payload.list = new ArrayDeque(); break;
    case Kind::String: payload.string = new std::string(); break;
    case Kind::Float: payload.float_value = 0.0; break;
    case Kind::Integer: payload.map = nullptr; payload.int_value = 0; break;
    case Kind::Bool: payload.map = nullptr; payload.bool_value = false; break;
    default:
        // Null, and any number outside the seven kinds, which reads as Null.
        payload.map = nullptr;
        new_kind = Kind::Null;
        break;
    }
    kind = new_kind;
}

// === Building ================================================================

JSON& JSON::operator[](const std::string& key) {
    SetKind(Kind::Object);
    return (*payload.map)[key];
}

JSON& JSON::operator[](unsigned index) {
    SetKind(Kind::Array);
    ArrayDeque& list = *payload.list;
    if (index >= list.size())
        list.resize(size_t(index) + 1);
    return list[index];
}

void JSON::Append(JSON value) {
    SetKind(Kind::Array);
    payload.list->push_back(std::move(value));
}

// === Queries =================================================================

bool JSON::AsBool() const {
    bool ok;
    return AsBool(ok);
}

bool JSON::AsBool(bool& ok) const {
    ok = kind == Kind::Bool;
    return ok ? payload.bool_value : false;
}

std::string JSON::AsString() const {
    bool ok;
    return AsString(ok);
}

std::string JSON::AsString(bool& ok) const {
    ok = kind == Kind::String;
    return ok ? *payload.string : std::string();
}

double JSON::AsFloat() const {
    bool ok;
    return AsFloat(ok);
}

double JSON::AsFloat(bool& ok) const {
    ok = kind == Kind::Float;
    return ok ? payload.float_value : 0.0;
}

int JSON::AsInt() const {
    bool ok;
    return AsInt(ok);
}

int JSON::AsInt(bool& ok) const {
    ok = kind == Kind::Integer;
    return ok ? payload.int_value : 0;
}

bool JSON::HasMember(const std::string& key) const {
    return kind == Kind::Object && payload.map->count(key) != 0;
}

int64_t JSON::Count() const {
    if (kind == Kind::Object)
        return int64_t(payload.map->size());
    if (kind == Kind::Array)
        return int64_t(payload.list->size());
    return -1;
}

JSON::ItemRange<JSON::ArrayDeque> JSON::ArrayItems() {
    return ItemRange<ArrayDeque>(kind == Kind::Array ? payload.list : nullptr);
}

JSON::ItemRange<const JSON::ArrayDeque> JSON::ArrayItems() const {
    return ItemRange<const ArrayDeque>(kind == Kind::Array ? payload.list : nullptr);
}

JSON::ItemRange<JSON::ObjectMap> JSON::ObjectItems() {
    return ItemRange<ObjectMap>(kind == Kind::Object ? payload.map : nullptr);
}

JSON::ItemRange<const JSON::ObjectMap> JSON::ObjectItems() const {
    return ItemRange<const ObjectMap>(kind == Kind::Object ? payload.map : nullptr);
}
