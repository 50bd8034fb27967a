// Decodes a fuzzer's byte stream into values; reads past the end give zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  // 0 .. n-1
  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : Byte() % n; }

  void Bytes(void* out, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = Byte();
  }
  template <typename T>
  T Raw() {
    T value;
    std::uint8_t bytes[sizeof(T)];
    Bytes(bytes, sizeof bytes);
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  // Up to `limit` bytes, the first of them saying how many.
  std::string Text(std::size_t limit) {
    const std::size_t length = Byte() % (limit + 1);
    std::string text;
    for (std::size_t i = 0; i < length && !empty(); ++i) text += static_cast<char>(Byte());
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
