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
// Members and elements each lie in one flat block, like a std::vector: a
// reference to a member or element, and a range over them, holds until its
// Object or Array gains an entry or changes kind. Take what you need from one
// before adding another to the same container.
//
// The text reader (FromText) is lenient: it never throws and never stops the
// program; it writes one line per problem to std::cerr ("ERROR: ..."; the
// missing colon of an object is "Error: ...") and returns what it could read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

    // One member of an Object: its key (first) and its value (second). The key
    // is not to be changed through iteration; the order depends on it.
    using Member = std::pair<std::string, JSON>;
    // A flat block of entries; see Items below the class. The two names below
    // are older than the flat storage and stay for the callers that use them.
    template <typename Item>
    class Items;
    using ObjectMap = Items<Member>;  // an Object's members, sorted by key
    using ArrayDeque = Items<JSON>;   // an Array's elements, in order

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
    JSON(JSON&& other) noexcept { TakeFrom(other); }  // other becomes Null
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
    // The same, and the number of message lines the reading wrote.
    static JSON FromText(const std::string& text, int64_t* messages);
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
    class Reader;        // the text reader, JSONReader.cpp
    class Arena;         // where a parse carves its blocks from, JSONArena.h
    struct ArenaChunk;

    // The longest String kept inside the value itself, without a block.
    static constexpr size_t kShortText = 11;
    // text_.size of a String whose text is in a std::string of its own.
    static constexpr uint8_t kLongText = 0xFF;

    union Payload {
        ObjectMap* map;         // an Object's members; null while it has none
        ArrayDeque* list;       // an Array's elements; null while it has none
        std::string* string;    // the text of a long String
        double float_value;
        int32_t int_value;
        bool bool_value;
        char text[8];           // the first eight bytes of a short String

        Payload() : map(nullptr) {}
    };

    // --- Content (JSON.cpp) -------------------------------------------------
    void FreePayload();
    void CopyFrom(const JSON& other);
    // Takes other's content into this value (which owns nothing); other is
    // left Null.
    void TakeFrom(JSON& other) {
        CopyBits(other);
        other.payload.map = nullptr;
        other.kind = Kind::Null;
    }
    // Copies the payload and the short-text bytes of other, owning nothing new.
    void CopyBits(const JSON& other) {
        payload = other.payload;
        kind = other.kind;
        text_ = other.text_;
    }
    // Makes this value (which owns nothing) a String of the given text.
    void SetText(const char* data, size_t size);
    void SetText(std::string&& text);
    // The bytes of a String: data points into the value or into buffer,
    // which must hold kShortText bytes.
    const char* TextData(char* buffer, size_t& size) const;
    struct PendingMember;  // a member on its way into an Object, below
    // An Array or Object made from count entries moved out of first; the
    // members are sorted, and of equal keys the last one stays. The block
    // comes from arena, or from the heap when arena is null.
    static JSON TakeElements(JSON* first, size_t count, Arena* arena = nullptr);
    static JSON TakeMembers(PendingMember* first, size_t count, Arena* arena = nullptr);

    // --- Text (JSONWriter.cpp) ----------------------------------------------
    // Appends the text ToText gives for this value to out.
    void AppendText(std::string& out, int depth, const std::string& indent) const;

    // Sixteen bytes in all: the payload, the kind and the tail of a short
    // String.
    Payload payload;
    Kind kind = Kind::Null;
    // The rest of a short String: one four-byte field, copied in one go.
    struct TextTail {
        char bytes[3];              // bytes 8 to 10 of the text
        uint8_t size;               // the text's length, or kLongText
    };
    TextTail text_ = {};
};

// === Items: the storage of an Array or an Object =============================
//
// One block: this header, then the entries one after another. The value that
// owns the block grows it by moving everything into a larger one, which is
// why references into it do not outlive an insertion. Blocks made by the
// reader are carved from larger chunks (see JSONArena.h); the others are
// heap blocks of their own.
template <typename Item>
class JSON::Items {
public:
    Item* begin() { return Data(); }
    Item* end() { return Data() + size_; }
    const Item* begin() const { return Data(); }
    const Item* end() const { return Data() + size_; }
    size_t size() const { return size_; }

private:
    friend class JSON;
    Item* Data() { return reinterpret_cast<Item*>(this + 1); }
    const Item* Data() const { return reinterpret_cast<const Item*>(this + 1); }

    // The block operations, all in JSON.cpp. A null block is an empty one.
    // Allocate gives an empty block with room for capacity entries, carved
    // from arena when there is one.
    static Items* Allocate(size_t capacity, Arena* arena = nullptr);
    static void Release(Items* items);       // destroys the entries, frees the block
    static Items* Copy(const Items* items);  // a heap block of copies; null when empty
    // The entries moved into a block with room for at least needed, growing
    // by doubling; the same block when it has that room already.
    static Items* Reserve(Items* items, size_t needed);
    // Puts item at index, moving the entries from there one place up; items
    // is updated when the block moves. Returns the new entry.
    static Item& Insert(Items*& items, size_t index, Item&& item);

    size_t size_ = 0;                // entries in use
    size_t capacity_ = 0;            // entries the block has room for
    ArenaChunk* chunk_ = nullptr;    // the chunk it was carved from; null: its own
};

// A member on its way into an Object: the bytes of its key, which live
// elsewhere (in the text being read, say), and its value.
struct JSON::PendingMember {
    const char* key;
    size_t key_size;
    JSON value;
};

// Inline, as most values (numbers, short texts) own nothing to release.
inline JSON::~JSON() {
    // Object 1, Array 2, String 3: the kinds that may own a block.
    if (uint32_t(kind) - 1u < 3u)
        FreePayload();
}
