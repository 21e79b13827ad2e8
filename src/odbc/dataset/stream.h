// Byte streams of the data-set framework: the interface CreateBlobStream hands out for a
// memo or blob field, and the memory stream a record keeps a long value in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace prenos::db {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Read and Write answer the bytes moved; reading stops at the end.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // The new position, kept within 0 .. Size().
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() const = 0;
  // Cuts or extends (with zero bytes) the content.
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  // The whole content, read from the start; the position ends at the end.
  std::string ReadAll();
  // Writes the bytes of the text at the position.
  void WriteText(const std::string& text) { Write(text.data(), text.size()); }
};

class TMemoryStream : public TStream {
 public:
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  void SetSize(int64_t size) override;

  const std::string& Bytes() const { return bytes_; }
  // Replaces the content; the position goes to the start.
  void Assign(std::string bytes) { bytes_ = std::move(bytes), pos_ = 0; }
  void Clear() { Assign({}); }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

}  // namespace prenos::db
