// Compact value types for the program tree. A translation holds one statement
// per quantum operation, so the statement records and what they own decide
// much of its memory and allocation count:
//  - Name: an owned text in 16 bytes that keeps names of up to 15 bytes (every
//    register and gate name) inline, without a heap block;
//  - SmallVec: a vector whose first N elements live inside the record, so a
//    gate's one or two qubits need no heap block either;
//  - HeapVec: a vector in the size of one pointer, for lists that are
//    usually empty (a gate's angles and modifiers).
// All have value semantics: copies are deep and == compares contents.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace corvane {

/// An owned text of any length in 16 bytes; up to 15 bytes are held inline.
class Name {
 public:
  Name() noexcept { set_inline(std::string_view()); }
  Name(std::string_view text) { assign(text); }                    // NOLINT: implicit by design
  Name(const char* text) : Name(std::string_view(text)) {}         // NOLINT: implicit by design
  Name(const std::string& text) : Name(std::string_view(text)) {}  // NOLINT: implicit by design
  Name(const Name& other) { assign(other.view()); }
  Name(Name&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof(bytes_));
    other.set_inline(std::string_view());
  }
  Name& operator=(const Name& other) {
    if (this != &other) {
      Name copy(other);
      swap(copy);
    }
    return *this;
  }
  Name& operator=(Name&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(bytes_, other.bytes_, sizeof(bytes_));
      other.set_inline(std::string_view());
    }
    return *this;
  }
  ~Name() { release(); }

  [[nodiscard]] std::string_view view() const {
    if (is_inline()) return {bytes_, kInlineCapacity - static_cast<std::size_t>(tag())};
    const char* block = heap_block();
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof(size));
    return {block + sizeof(size), size};
  }
  operator std::string_view() const { return view(); }  // NOLINT: implicit by design
  [[nodiscard]] std::size_t size() const { return view().size(); }
  [[nodiscard]] bool empty() const { return view().empty(); }
  [[nodiscard]] std::string str() const { return std::string(view()); }

  void swap(Name& other) noexcept {
    char temp[sizeof(bytes_)];
    std::memcpy(temp, bytes_, sizeof(bytes_));
    std::memcpy(bytes_, other.bytes_, sizeof(bytes_));
    std::memcpy(other.bytes_, temp, sizeof(bytes_));
  }

  friend bool operator==(const Name& a, const Name& b) { return a.view() == b.view(); }

 private:
  // Inline: bytes [0, 15) hold the text and the last byte holds 15 - size, so
  // it reads 0..15. Heap: the last byte holds kHeapTag and the first eight the
  // address of a block holding the size, then the text.
  static constexpr std::size_t kInlineCapacity = 15;
  static constexpr unsigned char kHeapTag = 0xFF;

  [[nodiscard]] unsigned char tag() const { return static_cast<unsigned char>(bytes_[15]); }
  [[nodiscard]] bool is_inline() const { return tag() != kHeapTag; }
  [[nodiscard]] char* heap_block() const {
    char* block = nullptr;
    std::memcpy(&block, bytes_, sizeof(block));
    return block;
  }
  void set_inline(std::string_view text) {
    std::memset(bytes_, 0, sizeof(bytes_));
    if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
    bytes_[15] = static_cast<char>(kInlineCapacity - text.size());
  }
  void assign(std::string_view text) {
    if (text.size() <= kInlineCapacity) {
      set_inline(text);
      return;
    }
    const std::size_t size = text.size();
    char* block = new char[sizeof(size) + size];
    std::memcpy(block, &size, sizeof(size));
    std::memcpy(block + sizeof(size), text.data(), size);
    std::memset(bytes_, 0, sizeof(bytes_));
    std::memcpy(bytes_, &block, sizeof(block));
    bytes_[15] = static_cast<char>(kHeapTag);
  }
  void release() noexcept {
    if (!is_inline()) delete[] heap_block();
  }

  alignas(8) char bytes_[16];
};
static_assert(sizeof(Name) == 16);

/// A vector that holds up to N elements inside itself and moves to the heap
/// beyond that. The interface is the subset of std::vector the tree uses.
template <typename T, std::size_t N>
class SmallVec {
 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  SmallVec() noexcept {}  // NOLINT: the element storage stays uninitialised
  SmallVec(std::initializer_list<T> items) { append_copies(items.begin(), items.end()); }
  SmallVec(const std::vector<T>& items) {  // NOLINT: implicit like a vector copy
    append_copies(items.data(), items.data() + items.size());
  }
  SmallVec(std::vector<T>&& items) {  // NOLINT: implicit like a vector move
    reserve(items.size());
    for (T& item : items) push_back(std::move(item));
  }
  /// Elements converted from another element type (labels from strings, say).
  template <typename U, typename = std::enable_if_t<!std::is_same_v<U, T> &&
                                                    std::is_constructible_v<T, const U&>>>
  SmallVec(const std::vector<U>& items) {  // NOLINT: implicit like a vector copy
    reserve(items.size());
    for (const U& item : items) emplace_back(item);
  }
  SmallVec(const SmallVec& other) { append_copies(other.begin(), other.end()); }
  SmallVec(SmallVec&& other) noexcept { take(std::move(other)); }
  SmallVec& operator=(const SmallVec& other) {
    if (this != &other) {
      SmallVec copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  SmallVec& operator=(SmallVec&& other) noexcept {
    if (this != &other) {
      destroy();
      take(std::move(other));
    }
    return *this;
  }
  ~SmallVec() { destroy(); }

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] T* data() { return on_heap() ? heap() : inline_data(); }
  [[nodiscard]] const T* data() const { return on_heap() ? heap() : inline_data(); }
  T* begin() { return data(); }
  T* end() { return data() + size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T& back() { return data()[size_ - 1]; }
  const T& back() const { return data()[size_ - 1]; }

  void reserve(std::size_t wanted) {
    if (wanted > capacity_) grow_to(wanted);
  }
  template <typename... Args>
  T& emplace_back(Args&&... args) {
    if (size_ < capacity_) {
      T* slot = ::new (static_cast<void*>(data() + size_)) T(std::forward<Args>(args)...);
      ++size_;
      return *slot;
    }
    // The new element is built before the old ones move, so an argument that
    // refers to an element of this vector is still intact when it is read.
    const std::size_t wanted = std::max<std::size_t>(2 * capacity_, 1);
    T* block = std::allocator<T>().allocate(wanted);
    T* slot = ::new (static_cast<void*>(block + size_)) T(std::forward<Args>(args)...);
    adopt(block, wanted);
    ++size_;
    return *slot;
  }
  void push_back(const T& item) { emplace_back(item); }
  void push_back(T&& item) { emplace_back(std::move(item)); }
  void clear() {
    std::destroy_n(data(), size_);
    size_ = 0;
  }

  friend bool operator==(const SmallVec& a, const SmallVec& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  static constexpr std::size_t kInlineBytes = N * sizeof(T) > sizeof(T*) ? N * sizeof(T)
                                                                         : sizeof(T*);
  static constexpr std::size_t kAlign = alignof(T) > alignof(T*) ? alignof(T) : alignof(T*);

  [[nodiscard]] bool on_heap() const { return capacity_ > N; }
  [[nodiscard]] T* inline_data() { return std::launder(reinterpret_cast<T*>(storage_)); }
  [[nodiscard]] const T* inline_data() const {
    return std::launder(reinterpret_cast<const T*>(storage_));
  }
  [[nodiscard]] T* heap() const {
    T* block = nullptr;
    std::memcpy(&block, storage_, sizeof(block));
    return block;
  }
  void set_heap(T* block) { std::memcpy(storage_, &block, sizeof(block)); }

  template <typename It>
  void append_copies(It first, It last) {
    reserve(static_cast<std::size_t>(last - first));
    for (; first != last; ++first) push_back(*first);
  }

  void grow_to(std::size_t wanted) { adopt(std::allocator<T>().allocate(wanted), wanted); }

  // Moves the elements into `block` (room for `capacity` elements) and keeps it.
  void adopt(T* block, std::size_t capacity) {
    T* old = data();
    std::uninitialized_move_n(old, size_, block);
    std::destroy_n(old, size_);
    if (on_heap()) std::allocator<T>().deallocate(old, capacity_);
    set_heap(block);
    capacity_ = static_cast<std::uint32_t>(capacity);
  }

  // Leaves `other` empty and inline.
  void take(SmallVec&& other) noexcept {
    size_ = other.size_;
    capacity_ = other.capacity_;
    if (other.on_heap()) {
      set_heap(other.heap());
    } else {
      std::uninitialized_move_n(other.inline_data(), other.size_, inline_data());
      std::destroy_n(other.inline_data(), other.size_);
    }
    other.size_ = 0;
    other.capacity_ = N;
  }

  void destroy() noexcept {
    std::destroy_n(data(), size_);
    if (on_heap()) std::allocator<T>().deallocate(heap(), capacity_);
    size_ = 0;
    capacity_ = N;
  }

  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = N;
  alignas(kAlign) unsigned char storage_[kInlineBytes];
};

/// A vector in 8 bytes: a null pointer when it has never held an element,
/// else one heap block holding its size, its capacity and the elements. For
/// lists that are empty in most records, where a std::vector's 24 bytes (or a
/// SmallVec's inline room) would be carried by every record for nothing. The
/// interface is that of SmallVec.
template <typename T>
class HeapVec {
 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  HeapVec() noexcept = default;
  HeapVec(std::initializer_list<T> items) { append_copies(items.begin(), items.end()); }
  HeapVec(const std::vector<T>& items) {  // NOLINT: implicit like a vector copy
    append_copies(items.data(), items.data() + items.size());
  }
  HeapVec(std::vector<T>&& items) {  // NOLINT: implicit like a vector move
    reserve(items.size());
    for (T& item : items) push_back(std::move(item));
  }
  HeapVec(const HeapVec& other) { append_copies(other.begin(), other.end()); }
  HeapVec(HeapVec&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  HeapVec& operator=(const HeapVec& other) {
    if (this != &other) {
      HeapVec copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  HeapVec& operator=(HeapVec&& other) noexcept {
    if (this != &other) {
      destroy();
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  ~HeapVec() { destroy(); }

  [[nodiscard]] std::size_t size() const { return block_ == nullptr ? 0 : block_->size; }
  [[nodiscard]] bool empty() const { return size() == 0; }
  [[nodiscard]] T* data() { return block_ == nullptr ? nullptr : elements(block_); }
  [[nodiscard]] const T* data() const { return block_ == nullptr ? nullptr : elements(block_); }
  T* begin() { return data(); }
  T* end() { return data() + size(); }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T& back() { return data()[size() - 1]; }
  const T& back() const { return data()[size() - 1]; }

  void reserve(std::size_t wanted) {
    if (wanted > capacity()) adopt(allocate(wanted));
  }
  template <typename... Args>
  T& emplace_back(Args&&... args) {
    const std::size_t count = size();
    if (count < capacity()) {
      T* slot = ::new (static_cast<void*>(elements(block_) + count)) T(std::forward<Args>(args)...);
      ++block_->size;
      return *slot;
    }
    // The new element is built before the old ones move, so an argument that
    // refers to an element of this vector is still intact when it is read.
    Header* grown = allocate(std::max<std::size_t>(2 * capacity(), 1));
    T* slot = ::new (static_cast<void*>(elements(grown) + count)) T(std::forward<Args>(args)...);
    adopt(grown);
    ++block_->size;
    return *slot;
  }
  void push_back(const T& item) { emplace_back(item); }
  void push_back(T&& item) { emplace_back(std::move(item)); }
  void clear() {
    if (block_ == nullptr) return;
    std::destroy_n(elements(block_), block_->size);
    block_->size = 0;
  }

  friend bool operator==(const HeapVec& a, const HeapVec& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  // The block: this header, then room for `capacity` elements.
  struct Header {
    std::uint32_t size;
    std::uint32_t capacity;
  };
  static constexpr std::size_t kAlign = alignof(T) > alignof(Header) ? alignof(T) : alignof(Header);
  static constexpr std::size_t kOffset =
      (sizeof(Header) + alignof(T) - 1) / alignof(T) * alignof(T);

  static T* elements(Header* block) {
    return std::launder(reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(block) + kOffset));
  }
  static const T* elements(const Header* block) {
    return std::launder(
        reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(block) + kOffset));
  }
  [[nodiscard]] std::size_t capacity() const { return block_ == nullptr ? 0 : block_->capacity; }

  static Header* allocate(std::size_t capacity) {
    void* raw = ::operator new (kOffset + capacity * sizeof(T), std::align_val_t{kAlign});
    return ::new (raw) Header{0, static_cast<std::uint32_t>(capacity)};
  }
  static void release(Header* block) { ::operator delete (block, std::align_val_t{kAlign}); }

  // Moves the elements into `grown` (empty, with more room) and keeps it.
  void adopt(Header* grown) {
    if (block_ != nullptr) {
      std::uninitialized_move_n(elements(block_), block_->size, elements(grown));
      std::destroy_n(elements(block_), block_->size);
      grown->size = block_->size;
      release(block_);
    }
    block_ = grown;
  }

  template <typename It>
  void append_copies(It first, It last) {
    reserve(static_cast<std::size_t>(last - first));
    for (; first != last; ++first) push_back(*first);
  }

  void destroy() noexcept {
    if (block_ == nullptr) return;
    std::destroy_n(elements(block_), block_->size);
    release(block_);
    block_ = nullptr;
  }

  Header* block_ = nullptr;
};

}  // namespace corvane
