// JSON value type: construction, ownership, kind changes, building and
// queries. The text reader and writer live in JSONReader.cpp and
// JSONWriter.cpp.
#include "JSON.h"
#include "JSONArena.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <tuple>
#include <vector>

static_assert(sizeof(JSON) == 16, "a value is its payload, its kind and a short text's tail");

// === Arena: chunks the reader carves blocks from =============================

void JSON::ArenaChunk::ReleaseBlock(ArenaChunk* chunk) {
    if (chunk->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        chunk->~ArenaChunk();
        ::operator delete(chunk);
    }
}

void* JSON::Arena::Carve(size_t bytes, ArenaChunk*& chunk) {
    bytes = (bytes + 15) & ~size_t(15);
    if (bytes > kLargestCarved) {
        chunk = nullptr;
        return ::operator new(bytes);
    }
    if (size_t(end_ - next_) < bytes) {
        Retire();
        char* memory = static_cast<char*>(::operator new(kChunkBytes));
        chunk_ = new (memory) ArenaChunk();
        chunk_->live.store(ArenaChunk::kCarving, std::memory_order_relaxed);
        static_assert(sizeof(ArenaChunk) <= 16, "blocks start 16 bytes into a chunk");
        next_ = memory + 16;
        end_ = memory + kChunkBytes;
        carved_ = 0;
    }
    void* block = next_;
    next_ += bytes;
    ++carved_;
    chunk = chunk_;
    return block;
}

void JSON::Arena::Retire() {
    if (!chunk_)
        return;
    // Released blocks have already taken themselves off kCarving.
    const size_t bias = ArenaChunk::kCarving - carved_;
    if (chunk_->live.fetch_sub(bias, std::memory_order_acq_rel) == bias) {
        chunk_->~ArenaChunk();
        ::operator delete(chunk_);
    }
    chunk_ = nullptr;
    next_ = end_ = nullptr;
}

// === Items: the blocks of Arrays and Objects =================================

// Built with VELMARA_JSON_DEBUG_BLOCKS, every entry and every block is a heap
// allocation of its own, and a block is never used for more entries than it
// was made with: each insertion moves the pointers to a new block and frees
// the old one. A stale iterator, or a reference kept past its entry's end,
// then points at freed memory, which AddressSanitizer reports.
#if defined(VELMARA_JSON_DEBUG_BLOCKS)
constexpr bool kOwnBlocks = true;
#else
constexpr bool kOwnBlocks = false;
#endif

template <typename Item>
JSON::Items<Item>* JSON::Items<Item>::Allocate(size_t capacity, size_t first, Arena* arena) {
    static_assert(alignof(Item) <= alignof(Item*), "the places follow the pointers");
    static_assert(alignof(Item*) <= alignof(Items), "the pointers follow the header");
    const size_t places = kOwnBlocks ? 0 : capacity - first;
    const size_t bytes = sizeof(Items) + capacity * sizeof(Item*) + places * sizeof(Item);
    ArenaChunk* chunk = nullptr;
    void* memory = arena && !kOwnBlocks ? arena->Carve(bytes, chunk) : ::operator new(bytes);
    Items* items = new (memory) Items();
    items->capacity_ = capacity;
    items->first_ = first;
    items->size_ = first;
    items->chunk_ = chunk;
    return items;
}

template <typename Item>
void JSON::Items<Item>::Release(Items* items) {
    if (!items)
        return;
    if (kOwnBlocks) {
        Item** slots = items->Slots();
        for (size_t i = 0; i < items->size_; ++i)
            delete slots[i];
        FreeBlock(items);
        return;
    }
    // Block by block, newest first, the entries in the order of their places
    // (a plain walk through memory): a block holds those from its first_ up
    // to where the block after it starts.
    size_t end = items->size_;
    while (items) {
        Item* places = items->Places();
        for (size_t i = 0, count = end - items->first_; i < count; ++i)
            places[i].~Item();
        end = items->first_;
        Items* older = items->older_;
        FreeBlock(items);
        items = older;
    }
}

template <typename Item>
void JSON::Items<Item>::FreeBlock(Items* items) {
    ArenaChunk* chunk = items->chunk_;
    items->~Items();
    if (chunk)
        ArenaChunk::ReleaseBlock(chunk);
    else
        ::operator delete(items);
}

template <typename Item>
template <typename... Args>
Item& JSON::Items<Item>::EmplaceBack(Args&&... args) {
    Item* entry;
    if (kOwnBlocks) {
        entry = new Item(std::forward<Args>(args)...);
    } else {
        entry = new (Places() + (size_ - first_)) Item(std::forward<Args>(args)...);
    }
    Slots()[size_++] = entry;
    return *entry;
}

template <typename Item>
JSON::Items<Item>* JSON::Items<Item>::Copy(const Items* items) {
    if (!items || items->size_ == 0)
        return nullptr;
    Items* copy = Allocate(items->size_, 0);
    try {
        for (const Item& item : *items)
            copy->EmplaceBack(item);
    } catch (...) {
        Release(copy);
        throw;
    }
    return copy;
}

template <typename Item>
JSON::Items<Item>* JSON::Items<Item>::Reserve(Items* items, size_t needed) {
    const size_t capacity = items ? items->capacity_ : 0;
    if (needed <= capacity)
        return items;
    const size_t size = items ? items->size_ : 0;
    Items* grown = Allocate(kOwnBlocks ? needed : std::max({needed, 2 * capacity, size_t(4)}), size);
    if (items) {
        std::memcpy(grown->Slots(), items->Slots(), size * sizeof(Item*));
        if (kOwnBlocks || items->first_ == size) {
            // No entry lives in the old block: it goes now.
            grown->older_ = items->older_;
            FreeBlock(items);
        } else {
            grown->older_ = items;
        }
    }
    return grown;
}

template <typename Item>
template <typename... Args>
Item& JSON::Items<Item>::Insert(Items*& items, size_t index, Args&&... args) {
    const size_t size = items ? items->size_ : 0;
    items = Reserve(items, size + 1);
    Item& entry = items->EmplaceBack(std::forward<Args>(args)...);
    if (index != size) {
        Item** slots = items->Slots();
        std::memmove(slots + index + 1, slots + index, (size - index) * sizeof(Item*));
        slots[index] = &entry;
    }
    return entry;
}

// === Ownership ===============================================================

// Releases the block or long text an Object, Array or String owns; the other
// kinds own nothing. The kind is left as it is: every caller installs new
// content and kind right after.
void JSON::FreePayload() {
    switch (kind) {
    case Kind::Object: ObjectMap::Release(payload.map); break;
    case Kind::Array: ArrayDeque::Release(payload.list); break;
    case Kind::String:
        if (text_.size == kLongText)
            delete payload.string;
        break;
    default: break;
    }
}

// Fills this value (which owns nothing) with a deep copy of other.
void JSON::CopyFrom(const JSON& other) {
    Payload owned = other.payload;
    if (other.kind == Kind::Object)
        owned.map = ObjectMap::Copy(other.payload.map);
    else if (other.kind == Kind::Array)
        owned.list = ArrayDeque::Copy(other.payload.list);
    else if (other.kind == Kind::String && other.text_.size == kLongText)
        owned.string = new std::string(*other.payload.string);
    CopyBits(other);
    payload = owned;
}


// === Text of Strings =========================================================

void JSON::SetText(const char* data, size_t size) {
    kind = Kind::String;
    if (size > kShortText) {
        payload.string = new std::string(data, size);
        text_.size = kLongText;
        return;
    }
    const size_t head = std::min(size, sizeof(payload.text));
    std::memcpy(payload.text, data, head);
    std::memcpy(text_.bytes, data + head, size - head);
    text_.size = uint8_t(size);
}

void JSON::SetText(std::string&& text) {
    if (text.size() <= kShortText) {
        SetText(text.data(), text.size());
        return;
    }
    payload.string = new std::string(std::move(text));
    kind = Kind::String;
    text_.size = kLongText;
}

const char* JSON::TextData(char* buffer, size_t& size) const {
    if (text_.size == kLongText) {
        size = payload.string->size();
        return payload.string->data();
    }
    size = text_.size;
    const size_t head = std::min(size, sizeof(payload.text));
    std::memcpy(buffer, payload.text, head);
    std::memcpy(buffer + head, text_.bytes, size - head);
    return buffer;
}

// === Construction and assignment =============================================

JSON::JSON() : payload(), kind(Kind::Null) {}
JSON::JSON(const JSON& other) { CopyFrom(other); }
JSON::JSON(int value) : kind(Kind::Integer) { payload.int_value = value; }
JSON::JSON(float value) : kind(Kind::Float) { payload.float_value = double(value); }
JSON::JSON(double value) : kind(Kind::Float) { payload.float_value = value; }
JSON::JSON(const char* text) {
    if (!text)
        text = "";
    SetText(text, std::strlen(text));
}
JSON::JSON(std::string text) { SetText(std::move(text)); }
JSON::JSON(bool value) : kind(Kind::Bool) { payload.bool_value = value; }

JSON::JSON(std::initializer_list<JSON> list) : kind(Kind::Object) {
    // Pairs of key and value; a lone trailing key has no value and is skipped.
    const size_t count = list.size() / 2;
    std::vector<std::string> keys;
    std::vector<PendingMember> members;
    keys.reserve(count);  // no reallocation: the members point into the keys
    members.reserve(count);
    const JSON* items = list.begin();
    for (size_t i = 0; i < count; ++i) {
        keys.push_back(items[2 * i].AsString());
        members.push_back(PendingMember{keys.back().data(), keys.back().size(), items[2 * i + 1]});
    }
    JSON object = TakeMembers(members.data(), members.size());
    TakeFrom(object);
}

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
    JSON value(std::move(text));
    FreePayload();
    TakeFrom(value);
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
    payload.map = nullptr;  // also the empty block of an Object or Array
    switch (new_kind) {
    case Kind::Object:
    case Kind::Array:
    case Kind::Integer:
    case Kind::Bool: break;
    case Kind::String: text_.size = 0; break;
    case Kind::Float: payload.float_value = 0.0; break;
    default:
        // Null, and any number outside the seven kinds, which reads as Null.
        new_kind = Kind::Null;
        break;
    }
    kind = new_kind;
}

// === Building ================================================================

namespace {

bool KeyBefore(const JSON::Member* member, const std::string& key) { return member->first < key; }

}  // namespace

JSON& JSON::operator[](const std::string& key) {
    SetKind(Kind::Object);
    Member* const* slots = payload.map ? payload.map->Slots() : nullptr;
    const size_t size = payload.map ? payload.map->size_ : 0;
    // Keys mostly come in order, so the place after the last is tried first.
    size_t index = size;
    if (size != 0 && !(slots[size - 1]->first < key)) {
        index = size_t(std::lower_bound(slots, slots + size, key, KeyBefore) - slots);
        if (slots[index]->first == key)
            return slots[index]->second;
    }
    return ObjectMap::Insert(payload.map, index, std::piecewise_construct,
                             std::forward_as_tuple(key), std::forward_as_tuple())
        .second;
}

JSON& JSON::operator[](unsigned index) {
    SetKind(Kind::Array);
    const size_t size = payload.list ? payload.list->size_ : 0;
    if (index >= size) {
        payload.list = ArrayDeque::Reserve(payload.list, size_t(index) + 1);
        for (size_t i = size; i <= index; ++i)
            payload.list->EmplaceBack();
    }
    return payload.list->At(index);
}

void JSON::Append(JSON value) {
    SetKind(Kind::Array);
    const size_t size = payload.list ? payload.list->size_ : 0;
    ArrayDeque::Insert(payload.list, size, std::move(value));
}

JSON JSON::TakeElements(JSON* first, size_t count, Arena* arena) {
    JSON array = MakeArray();
    if (count == 0)
        return array;
    array.payload.list = ArrayDeque::Allocate(count, 0, arena);
    for (size_t i = 0; i < count; ++i)
        array.payload.list->EmplaceBack(std::move(first[i]));
    return array;
}

namespace {

// Byte order of keys, as std::string's operator< has it.
bool KeyBytesBefore(const char* a, size_t a_size, const char* b, size_t b_size) {
    // Keys mostly differ in their first byte.
    if (a_size != 0 && b_size != 0 && a[0] != b[0])
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    int order = std::memcmp(a, b, std::min(a_size, b_size));
    return order < 0 || (order == 0 && a_size < b_size);
}

}  // namespace

JSON JSON::TakeMembers(PendingMember* first, size_t count, Arena* arena) {
    JSON object = MakeObject();
    if (count == 0)
        return object;
    PendingMember* last = first + count;
    auto before = [](const PendingMember& a, const PendingMember& b) {
        return KeyBytesBefore(a.key, a.key_size, b.key, b.key_size);
    };
    bool ordered = true;
    for (PendingMember* at = first + 1; at != last && ordered; ++at)
        ordered = before(at[-1], *at);
    if (!ordered) {
        // Sorting keeps equal keys in their first order; the last of each run
        // wins, as if the members had been assigned one after another.
        std::stable_sort(first, last, before);
        PendingMember* kept = first;
        for (PendingMember* run = first; run != last;) {
            PendingMember* run_end = run + 1;
            while (run_end != last && !before(*run, *run_end))
                ++run_end;
            if (kept != run_end - 1)
                *kept = std::move(run_end[-1]);
            ++kept;
            run = run_end;
        }
        count = size_t(kept - first);
    }
    object.payload.map = ObjectMap::Allocate(count, 0, arena);
    for (size_t i = 0; i < count; ++i)
        object.payload.map->EmplaceBack(std::piecewise_construct,
                                        std::forward_as_tuple(first[i].key, first[i].key_size),
                                        std::forward_as_tuple(std::move(first[i].value)));
    return object;
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
    if (!ok)
        return std::string();
    char buffer[kShortText];
    size_t size = 0;
    const char* data = TextData(buffer, size);
    return std::string(data, size);
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
    if (kind != Kind::Object || !payload.map)
        return false;
    const Member* const* first = payload.map->Slots();
    const Member* const* last = first + payload.map->size_;
    const Member* const* found = std::lower_bound(first, last, key, KeyBefore);
    return found != last && (*found)->first == key;
}

int64_t JSON::Count() const {
    if (kind == Kind::Object)
        return payload.map ? int64_t(payload.map->size_) : 0;
    if (kind == Kind::Array)
        return payload.list ? int64_t(payload.list->size_) : 0;
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
