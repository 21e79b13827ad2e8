// The memory stream of the data-set framework.
#include "odbc/dataset/stream.h"

#include <algorithm>
#include <cstring>

namespace prenos::db {

std::string TStream::ReadAll() {
  Seek(0, TSeekOrigin::soBeginning);
  std::string out(static_cast<size_t>(Size()), '\0');
  out.resize(Read(out.data(), out.size()));
  return out;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const size_t n = pos_ < bytes_.size() ? std::min(count, bytes_.size() - pos_) : 0;
  if (n) std::memcpy(buffer, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (pos_ + count > bytes_.size()) bytes_.resize(pos_ + count);
  if (count) std::memcpy(bytes_.data() + pos_, buffer, count);
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(pos_)
                                                    : Size();
  pos_ = static_cast<size_t>(std::clamp<int64_t>(base + offset, 0, Size()));
  return static_cast<int64_t>(pos_);
}

void TMemoryStream::SetSize(int64_t size) {
  bytes_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  pos_ = std::min(pos_, bytes_.size());
}

}  // namespace prenos::db
