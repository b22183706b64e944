#include "platform/linux/hidraw_handle.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "support/logger.h"

namespace platform::linux_backend {

namespace {
void LogErrno(const char* operation, const std::string& node) {
  support::LogFailure(operation, node + ": " + std::strerror(errno));
}
}  // namespace

HidrawHandle::HidrawHandle(int fd, HidrawNode node, int collectionIndex)
    : fd_(fd), node_(std::move(node)), collectionIndex_(collectionIndex) {}

HidrawHandle::~HidrawHandle() {
  if (fd_ >= 0 && ::close(fd_) != 0) LogErrno("close hidraw", node_.devnode);
}

std::uintptr_t HidrawHandle::NativeValue() const { return static_cast<std::uintptr_t>(fd_); }

bool HidrawHandle::GetAttributes(HidAttributes& attributes) {
  attributes.vendorId = node_.identity.vendorId;
  attributes.productId = node_.identity.productId;
  attributes.versionNumber = node_.versionNumber;
  return true;
}

bool HidrawHandle::GetCaps(HidCaps& caps) {
  if (collectionIndex_ < 0 || collectionIndex_ >= static_cast<int>(node_.collections.size())) return false;
  const TopLevelCollection& collection = node_.collections[collectionIndex_];
  caps.usage = collection.usage;
  caps.usagePage = collection.usagePage;
  caps.inputReportByteLength = collection.inputReportByteLength;
  caps.outputReportByteLength = collection.outputReportByteLength;
  caps.featureReportByteLength = collection.featureReportByteLength;
  return true;
}

bool HidrawHandle::GetFeature(std::uint8_t* buffer, std::size_t length) {
  if (fd_ < 0 || buffer == nullptr || length == 0) return false;
  if (::ioctl(fd_, HIDIOCGFEATURE(length), buffer) < 0) {
    LogErrno("HIDIOCGFEATURE", node_.devnode);
    return false;
  }
  return true;
}

bool HidrawHandle::SetFeature(const std::uint8_t* buffer, std::size_t length) {
  if (fd_ < 0 || buffer == nullptr || length == 0) return false;
  if (::ioctl(fd_, HIDIOCSFEATURE(length), buffer) < 0) {
    LogErrno("HIDIOCSFEATURE", node_.devnode);
    return false;
  }
  return true;
}

WriteOutcome HidrawHandle::Write(const std::uint8_t* buffer, std::size_t length, std::chrono::milliseconds limit) {
  WriteOutcome outcome;
  if (fd_ < 0 || buffer == nullptr) {
    outcome.error = EBADF;
    return outcome;
  }
  if (!writer_) {
    int error = 0;
    writer_ = AbandonableWriter::Create(fd_, error);
    if (!writer_) {
      outcome.error = static_cast<std::uint32_t>(error);
      return outcome;
    }
  }
  const AbandonableWriter::Result result = writer_->Write({buffer, length}, limit);
  const std::string limitText = std::to_string(limit.count()) + " ms";
  switch (result.kind) {
    case AbandonableWriter::Result::Kind::kWritten:
      outcome.kind = WriteOutcome::Kind::kCompletedAtOnce;
      outcome.bytesWritten = static_cast<std::uint32_t>(result.bytesWritten);
      break;
    case AbandonableWriter::Result::Kind::kFailed:
      outcome.error = static_cast<std::uint32_t>(result.error);
      support::LogFailure("write hidraw", node_.devnode + ": " + std::strerror(result.error));
      break;
    case AbandonableWriter::Result::Kind::kTimedOut:
      outcome.kind = WriteOutcome::Kind::kTimedOut;
      support::LogFailure("write hidraw", node_.devnode + ": the device did not take the report within " + limitText +
                                              "; the write is abandoned and ends on its own");
      break;
    case AbandonableWriter::Result::Kind::kPreviousStillBlocked:
      outcome.kind = WriteOutcome::Kind::kTimedOut;
      support::LogFailure("write hidraw", node_.devnode + ": an abandoned write still blocks after " + limitText +
                                              "; this report is not sent");
      break;
  }
  return outcome;
}

bool HidrawHandle::Close() {
  writer_.reset();  // an abandoned write keeps its own descriptor until it ends
  if (fd_ < 0) return true;
  // Linux releases the descriptor even when close() reports an error, so it is never retried.
  const int result = ::close(fd_);
  fd_ = -1;
  if (result != 0) {
    LogErrno("close hidraw", node_.devnode);
    return false;
  }
  return true;
}

}  // namespace platform::linux_backend
