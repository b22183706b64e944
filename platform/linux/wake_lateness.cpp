#include "platform/linux/wake_lateness.h"

#include <algorithm>
#include <bit>

namespace platform::linux_backend {

static_assert(WakeLateness::kWindow <= UINT16_MAX, "a bucket's count must hold the whole window");

std::size_t WakeLateness::BucketOf(std::uint64_t micros) {
  if (micros < kLinearBuckets) return static_cast<std::size_t>(micros);
  const auto octave = static_cast<std::size_t>(std::bit_width(micros) - 1);  // 4 for 16..31 us
  const std::size_t shift = octave - 3;                                       // keeps three bits below the top one
  const std::size_t bucket =
      kLinearBuckets + (octave - 4) * kBucketsPerOctave + static_cast<std::size_t>((micros >> shift) - 8);
  return std::min(bucket, kBuckets - 1);
}

std::uint64_t WakeLateness::UpperEdgeOf(std::size_t bucket) {
  if (bucket < kLinearBuckets) return bucket + 1;
  const std::size_t octave = (bucket - kLinearBuckets) / kBucketsPerOctave + 4;
  const std::size_t step = (bucket - kLinearBuckets) % kBucketsPerOctave;
  return std::uint64_t{8 + step + 1} << (octave - 3);
}

void WakeLateness::Observe(std::chrono::nanoseconds lateness) {
  const auto micros = static_cast<std::uint64_t>(std::max<std::int64_t>(0, lateness.count() / 1000));
  const auto bucket = static_cast<std::uint8_t>(BucketOf(micros));
  static_assert(kBuckets <= 256, "the window stores bucket numbers in a byte");
  if (count_ == kWindow) {
    --counts_[window_[next_]];
  } else {
    ++count_;
  }
  window_[next_] = bucket;
  ++counts_[bucket];
  next_ = (next_ + 1) % kWindow;
}

std::chrono::nanoseconds WakeLateness::Percentile(int permille) const {
  if (count_ == 0) return std::chrono::nanoseconds(0);
  const std::size_t share = count_ * static_cast<std::size_t>(1000 - std::clamp(permille, 0, 1000)) / 1000;
  const std::size_t allowedAbove = std::min(share, count_ - 1);
  std::size_t above = 0;
  for (std::size_t bucket = kBuckets; bucket-- > 0;) {
    above += counts_[bucket];
    if (above > allowedAbove) return std::chrono::microseconds(UpperEdgeOf(bucket));
  }
  return std::chrono::nanoseconds(0);  // not reached: the buckets hold count_ > allowedAbove wake-ups
}

}  // namespace platform::linux_backend
