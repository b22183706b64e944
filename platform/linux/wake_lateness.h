#pragma once
// How late this thread's timed wake-ups have come lately: the last kWindow of them, kept as a
// histogram, from which a high percentile is read. A percentile instead of the latest maximum: a
// single wake-up that came milliseconds late (the host took the processor away for a moment) would
// otherwise set the spin for hundreds of steps, while the steps' 99th percentile only depends on the
// worst one in a hundred.
//
// Buckets are 1 us wide up to 16 us, then eight to an octave (an eighth of their value wide, so a
// percentile is read at most 12.5% high) up to about 65 ms; later wake-ups count in the last one.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace platform::linux_backend {

class WakeLateness {
 public:
  static constexpr std::size_t kWindow = 256;

  // Takes the lateness of one wake-up: the time it came after the one asked for. Early counts as on
  // time (the clock reads around a wake-up can come in either order).
  void Observe(std::chrono::nanoseconds lateness);

  // The lateness that all but `permille`/1000 of the recent wake-ups stayed within (at most the
  // share's whole number of them lie above it), read as the upper edge of its bucket; zero before
  // the first wake-up. Only the largest counts while there are too few for the share to allow one.
  std::chrono::nanoseconds Percentile(int permille) const;

  std::size_t Count() const { return count_; }

  // The histogram's bucket for `micros` and that bucket's upper edge (exclusive), in microseconds.
  static std::size_t BucketOf(std::uint64_t micros);
  static std::uint64_t UpperEdgeOf(std::size_t bucket);

 private:
  static constexpr std::size_t kLinearBuckets = 16;
  static constexpr std::size_t kBucketsPerOctave = 8;
  static constexpr std::size_t kOctaves = 12;  // 16 us to 64 ms
  static constexpr std::size_t kBuckets = kLinearBuckets + kOctaves * kBucketsPerOctave;

  std::array<std::uint16_t, kBuckets> counts_{};
  std::array<std::uint8_t, kWindow> window_{};  // the bucket of each of the recent wake-ups, a ring
  std::size_t next_ = 0;                        // where the next wake-up goes in the ring
  std::size_t count_ = 0;                       // wake-ups in the ring
};

}  // namespace platform::linux_backend
