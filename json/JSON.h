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
// A reference to a member or an element stays valid until that entry is
// gone, that is until its Object or Array is destroyed, is assigned to or
// changes kind; entries added meanwhile do not move it, as with std::map and
// std::deque. So obj["a"] = obj["b"] is safe with "a" missing, and so is
// holding doc["name"] while looking up other keys. Iterators and ranges over
// a container are another matter: like a deque's, they do not survive an
// insertion into that container, so iterating over a container while
// inserting into it is not supported.
//
// The text reader (FromText) is lenient: it never throws and never stops the
// program; it writes one line per problem to std::cerr ("ERROR: ..."; the
// missing colon of an object is "Error: ...") and returns what it could read.
// A caller that must not take a damaged text asks FromText for the number of
// those lines and the first of them, in parts and with where in the text it
// was found, and for where the first value ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
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

    // One member of an Object: its key (first, fixed: the order depends on
    // it) and its value (second), as in a std::map.
    using Member = std::pair<const std::string, JSON>;
    // The entries of an Object or an Array; see Items below the class.
    template <typename Item>
    class Items;
    using ObjectMap = Items<Member>;  // an Object's members, sorted by key
    using ArrayDeque = Items<JSON>;   // an Array's elements, in order
    // A random-access iterator over the entries of Items, giving Value&
    // (a Member or a JSON, const or not); a default-constructed one is the
    // empty range's begin and end.
    template <typename Value>
    class ItemIterator;

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
    // What one reading of a text reported on std::cerr, for a caller that
    // refuses a text that did not read cleanly.
    struct TextMessages {
        int64_t count = 0;        // message lines written
        std::string first;        // the first of them without its line feed; "" when none
        // The first line in parts, for a caller that puts it in words of its own:
        std::string first_text;   // what it says, without "ERROR: " ("Error: ") and without the
                                  // words that bring in what it found: "Object: Expected comma"
        std::string first_found;  // what it found, bytes as the text has them; "" at the end
        bool first_found_end = false;  // what it found is the end of the text
        size_t first_offset = 0;  // where in the text that line's found text starts
                                  // (the text's length for the end of the text)
        size_t first_line = 0;    // the line of first_offset, from 1; 0 when there is no message
        size_t value_end = 0;     // where the first value ended: the text from here on was not read
    };

    // Reads the first value of text; anything after it is ignored. Never
    // throws: text that does not begin with a value gives Null.
    static JSON FromText(const std::string& text);
    // The same, and what the reading reported in messages (when not null),
    // with where the value ended.
    static JSON FromText(const std::string& text, TextMessages* messages);
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
// Every entry (an element, or a member with its key) is made in a place of
// its own, which it keeps until its container releases it; the container's
// block holds pointers to the entries in order (an Object's sorted by key).
// An insertion shifts or moves those pointers only, never an entry.
//
// To keep allocations few, a block also carries the places for the entries
// it has room for beyond those it starts with. A block that fills up is
// followed by one twice the size, which takes over the pointers and has the
// places for the next entries; the full one stays behind it in a chain, as
// its entries still live in it. The reader makes each block with the places
// of all its entries, carved from larger chunks (see JSONArena.h).
template <typename Value>
class JSON::ItemIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = typename std::remove_const<Value>::type;
    using difference_type = std::ptrdiff_t;
    using pointer = Value*;
    using reference = Value&;

    ItemIterator() = default;
    explicit ItemIterator(value_type* const* slot) : slot_(slot) {}

    reference operator*() const { return **slot_; }
    pointer operator->() const { return *slot_; }
    reference operator[](difference_type n) const { return *slot_[n]; }
    ItemIterator& operator++() { ++slot_; return *this; }
    ItemIterator& operator--() { --slot_; return *this; }
    ItemIterator operator++(int) { ItemIterator was = *this; ++slot_; return was; }
    ItemIterator operator--(int) { ItemIterator was = *this; --slot_; return was; }
    ItemIterator& operator+=(difference_type n) { slot_ += n; return *this; }
    ItemIterator& operator-=(difference_type n) { slot_ -= n; return *this; }
    ItemIterator operator+(difference_type n) const { return ItemIterator(slot_ + n); }
    ItemIterator operator-(difference_type n) const { return ItemIterator(slot_ - n); }
    friend ItemIterator operator+(difference_type n, ItemIterator at) { return at + n; }
    difference_type operator-(ItemIterator other) const { return slot_ - other.slot_; }
    bool operator==(ItemIterator other) const { return slot_ == other.slot_; }
    bool operator!=(ItemIterator other) const { return slot_ != other.slot_; }
    bool operator<(ItemIterator other) const { return slot_ < other.slot_; }
    bool operator>(ItemIterator other) const { return slot_ > other.slot_; }
    bool operator<=(ItemIterator other) const { return slot_ <= other.slot_; }
    bool operator>=(ItemIterator other) const { return slot_ >= other.slot_; }

private:
    value_type* const* slot_ = nullptr;  // the block's pointer to the entry
};

template <typename Item>
class JSON::Items {
public:
    ItemIterator<Item> begin() { return ItemIterator<Item>(Slots()); }
    ItemIterator<Item> end() { return ItemIterator<Item>(Slots() + size_); }
    ItemIterator<const Item> begin() const { return ItemIterator<const Item>(Slots()); }
    ItemIterator<const Item> end() const { return ItemIterator<const Item>(Slots() + size_); }
    size_t size() const { return size_; }

private:
    friend class JSON;
    // The pointers to the entries, capacity_ of them, right after the header.
    Item** Slots() { return reinterpret_cast<Item**>(this + 1); }
    Item* const* Slots() const { return reinterpret_cast<Item* const*>(this + 1); }
    Item& At(size_t index) { return *Slots()[index]; }
    // The places after the pointers; the first holds entry first_.
    Item* Places() { return reinterpret_cast<Item*>(Slots() + capacity_); }

    // The block operations, all in JSON.cpp. A null block is an empty one.
    // Allocate gives a block with room for capacity entries that already
    // holds first of them elsewhere, carved from arena when there is one.
    static Items* Allocate(size_t capacity, size_t first, Arena* arena = nullptr);
    static void Release(Items* items);       // destroys the entries, frees the blocks
    static void FreeBlock(Items* items);     // frees this one block, not its entries
    static Items* Copy(const Items* items);  // a heap block of copies; null when empty
    // A block with room for at least needed entries, growing by doubling;
    // the same block when it has that room already. Entries do not move.
    static Items* Reserve(Items* items, size_t needed);
    // Makes an entry from args at the end of a block that has room for it.
    template <typename... Args>
    Item& EmplaceBack(Args&&... args);
    // Makes an entry from args and puts it at index, the entries from there
    // on one place up; items is updated when the block changes.
    template <typename... Args>
    static Item& Insert(Items*& items, size_t index, Args&&... args);

    size_t size_ = 0;               // entries in use
    size_t capacity_ = 0;           // pointers the block has room for
    size_t first_ = 0;              // entries living in older blocks
    Items* older_ = nullptr;        // the block this one took over from
    ArenaChunk* chunk_ = nullptr;   // the chunk it was carved from; null: its own
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
