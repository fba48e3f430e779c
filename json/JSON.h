// JSON: the one value type of Velmara's document format.
//
// A value is one of seven kinds (Null, Object, Array, String, Float, Integer,
// Bool) with plain value semantics: it owns its whole tree, copying copies the
// tree, moving hands it over and leaves the source Null.
//
// Two decisions a reader would otherwise trip over:
// - Questions asked of the wrong kind get a neutral answer, never an error:
//   AsFloat() of an Integer is 0.0, AsInt() of a Float is 0, Count() of a
//   scalar is -1. Callers that accept both number kinds must say so themselves.
// - Object members are kept sorted by key (byte order), not in insertion
//   order; iteration and printing follow that order.
//
// The text reader (FromText) is lenient: it never throws and never stops the
// program; it writes one line per problem to std::cerr ("ERROR: ..."; the
// missing colon of an object is "Error: ...") and returns what it could read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <string>
#include <type_traits>
#include <utility>

class JSON {
public:
    enum class Kind : uint32_t {
        Null = 0,
        Object = 1,
        Array = 2,
        String = 3,
        Float = 4,
        Integer = 5,
        Bool = 6,
    };

    using ObjectMap = std::map<std::string, JSON>;
    using ArrayDeque = std::deque<JSON>;

    // A range over the elements of an Array or the members of an Object;
    // empty (zero iterations) when the value is of another kind.
    template <typename Container>
    class ItemRange {
    public:
        // The container's own iterator: a const iterator over a const container.
        using iterator = decltype(std::declval<Container&>().begin());
        explicit ItemRange(Container* container) : container_(container) {}
        iterator begin() const { return container_ ? container_->begin() : iterator(); }
        iterator end() const { return container_ ? container_->end() : iterator(); }

    private:
        Container* container_;
    };

    // --- Construction -------------------------------------------------------
    JSON();                                  // Null
    JSON(const JSON& other);                 // deep copy
    JSON(JSON&& other) noexcept;             // other becomes Null
    JSON(int value);                         // Integer
    JSON(float value);                       // Float (widened to double)
    JSON(double value);                      // Float
    JSON(const char* text);                  // String; "" for a null pointer
    JSON(std::string text);                  // String
    JSON(bool value);                        // Bool
    // Object from alternating keys and values; a key that is not a String
    // names the member "", a repeated key keeps the later value, and a
    // trailing key without a value is ignored.
    JSON(std::initializer_list<JSON> list);
    ~JSON();

    JSON& operator=(const JSON& other);      // deep copy; self-assignment keeps the value
    JSON& operator=(JSON&& other) noexcept;  // other becomes Null
    // The scalar assignments change the kind to Integer, Float, String or Bool,
    // dropping whatever content the value held before.
    JSON& operator=(int value);
    JSON& operator=(double value);
    JSON& operator=(std::string text);
    JSON& operator=(const char* text);       // a null pointer stores ""
    JSON& operator=(bool value);

    // --- Building -----------------------------------------------------------
    // Turns the value into an Object (dropping content of any other kind) and
    // returns the member under key, inserting Null when it is missing.
    JSON& operator[](const std::string& key);
    // The same; a null pointer names the member "".
    JSON& operator[](const char* key) { return (*this)[std::string(key ? key : "")]; }
    // Turns the value into an Array and grows it with Null up to index + 1.
    JSON& operator[](unsigned index);
    // Any other integer index (a literal 0, an int, a size_t) goes to the
    // unsigned 32-bit form above rather than being taken for a key pointer.
    template <typename Index, typename = typename std::enable_if<std::is_integral<Index>::value>::type>
    JSON& operator[](Index index) { return (*this)[static_cast<unsigned>(index)]; }
    // Turns the value into an Array and appends a copy of value.
    void Append(JSON value);

    static JSON MakeOfKind(Kind kind);  // empty content of that kind; Null for an unknown number
    static JSON MakeArray();            // an empty Array
    static JSON MakeObject();           // an empty Object
    // Same kind: nothing changes. Other kind: content is released and replaced
    // by the new kind's empty content.
    void SetKind(Kind kind);

    // --- Queries ------------------------------------------------------------
    Kind GetKind() const { return kind; }
    // Each accessor's ok form sets ok to whether the kind matched.
    bool AsBool() const;                     // false unless Bool
    bool AsBool(bool& ok) const;
    std::string AsString() const;            // "" unless String; raw, not escaped
    std::string AsString(bool& ok) const;
    double AsFloat() const;                  // 0.0 unless Float (an Integer too)
    double AsFloat(bool& ok) const;
    int AsInt() const;                       // 0 unless Integer (a Float too)
    int AsInt(bool& ok) const;
    bool IsNull() const { return kind == Kind::Null; }  // true only for Null
    bool HasMember(const std::string& key) const;  // false unless Object; inserts nothing
    int64_t Count() const;                   // members or elements; -1 for scalars and Null
    ItemRange<ArrayDeque> ArrayItems();      // empty unless Array
    ItemRange<const ArrayDeque> ArrayItems() const;
    ItemRange<ObjectMap> ObjectItems();      // empty unless Object
    ItemRange<const ObjectMap> ObjectItems() const;

    // --- Text ---------------------------------------------------------------
    // Reads the first value of text; anything after it is ignored. Never
    // throws: text that does not begin with a value gives Null.
    static JSON FromText(const std::string& text);
    // Prints the value at the given depth with indent repeated once per depth.
    // Objects take one line per member, keys unescaped, the closing brace two
    // characters left of the members; arrays stay on one line; floats have six
    // decimals, and an infinite or NaN Float prints as null.
    std::string ToText(int depth = 1, std::string indent = "  ") const;
    // text with backspace, tab, line feed, form feed, carriage return, double
    // quote and backslash escaped; every other byte goes out as it stands.
    static std::string EscapeString(const std::string& text);

    // The reader's parts, each starting at position and leaving it after
    // what it consumed (or where its error message says); the position never
    // passes the end of the text.
    static JSON Parse(const std::string& text, size_t& position);
    static JSON ParseObject(const std::string& text, size_t& position);
    static JSON ParseArray(const std::string& text, size_t& position);
    static JSON ParseString(const std::string& text, size_t& position);
    static JSON ParseNumber(const std::string& text, size_t& position);
    static JSON ParseBool(const std::string& text, size_t& position);
    static JSON ParseNull(const std::string& text, size_t& position);
    static void ConsumeWhitespace(const std::string& text, size_t& position);

    // Objects and arrays nested deeper than this read as Null with a message.
    static constexpr int kMaxDepth = 1000;

private:
    union Payload {
        ObjectMap* map;
        ArrayDeque* list;
        std::string* string;
        double float_value;
        int32_t int_value;
        bool bool_value;

        Payload() : int_value(0) {}
        Payload(ObjectMap* m) : map(m) {}
        Payload(ArrayDeque* l) : list(l) {}
        Payload(std::string* s) : string(s) {}
        Payload(double d) : float_value(d) {}
        Payload(int32_t i) : int_value(i) {}
        Payload(bool b) : bool_value(b) {}
    };

    void FreePayload();
    // Appends the text ToText gives for this value to out.
    void AppendText(std::string& out, int depth, const std::string& indent) const;
    void CopyFrom(const JSON& other);
    void TakeFrom(JSON& other);

    Payload payload;
    Kind kind = Kind::Null;
};
