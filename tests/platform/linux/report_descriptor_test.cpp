#include "platform/linux/report_descriptor.h"

#include <gtest/gtest.h>

#include "test_keyboard_descriptor.h"

namespace platform::linux_backend {
namespace {

TEST(ReportDescriptor, TestKeyboardHasThreeTopLevelCollectionsWithWindowsLengths) {
  const auto collections = ParseReportDescriptor(kbtest::TestKeyboardDescriptor());
  ASSERT_TRUE(collections);
  ASSERT_EQ(collections->size(), 3u);

  const TopLevelCollection& keyboard = (*collections)[0];
  EXPECT_EQ(keyboard.usagePage, 0x01);
  EXPECT_EQ(keyboard.usage, 0x06);
  EXPECT_EQ(keyboard.inputReportByteLength, 9);   // ID + modifiers + reserved + 6 keys
  EXPECT_EQ(keyboard.outputReportByteLength, 2);  // ID + 5 LED bits padded to a byte
  EXPECT_EQ(keyboard.featureReportByteLength, 0);
  EXPECT_EQ(keyboard.reportIds, std::vector<std::uint8_t>{1});

  const TopLevelCollection& vendor = (*collections)[1];
  EXPECT_EQ(vendor.usagePage, 0xFF00);
  EXPECT_EQ(vendor.usage, 0x01);
  EXPECT_EQ(vendor.inputReportByteLength, 0);
  EXPECT_EQ(vendor.outputReportByteLength, 8);
  EXPECT_EQ(vendor.featureReportByteLength, 8);
  EXPECT_EQ(vendor.reportIds, std::vector<std::uint8_t>{7});

  const TopLevelCollection& consumer = (*collections)[2];
  EXPECT_EQ(consumer.usagePage, 0x0C);
  EXPECT_EQ(consumer.usage, 0x01);
  EXPECT_EQ(consumer.inputReportByteLength, 3);
}

TEST(ReportDescriptor, UnnumberedReportsStillCountTheReportIdByte) {
  // Vendor page, one 8-byte input report without report IDs: Windows reports 9 bytes.
  const std::vector<std::uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                                0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0};
  const auto collections = ParseReportDescriptor(descriptor);
  ASSERT_TRUE(collections);
  ASSERT_EQ(collections->size(), 1u);
  EXPECT_EQ((*collections)[0].inputReportByteLength, 9);
  EXPECT_TRUE((*collections)[0].reportIds.empty());
}

TEST(ReportDescriptor, NestedCollectionsBelongToTheirTopLevelCollectionAndReportsAddUp) {
  // Mouse: application collection holding a physical collection; two input items in report 2.
  const std::vector<std::uint8_t> descriptor = {
      0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x01, 0xA1, 0x00,  // mouse { pointer {
      0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02,  // 3 buttons
      0x75, 0x05, 0x95, 0x01, 0x81, 0x01,                                      // padding
      0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,  // X, Y
      0xC0, 0xC0};
  const auto collections = ParseReportDescriptor(descriptor);
  ASSERT_TRUE(collections);
  ASSERT_EQ(collections->size(), 1u);
  EXPECT_EQ((*collections)[0].usage, 0x02);
  EXPECT_EQ((*collections)[0].inputReportByteLength, 4);  // ID + 1 byte buttons + X + Y
}

TEST(ReportDescriptor, LongestReportOfAKindDecidesTheLength) {
  // Two feature reports in one collection: ID 4 with 2 bytes, ID 5 with 6 bytes.
  const std::vector<std::uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,
                                                0x85, 0x04, 0x95, 0x02, 0x09, 0x01, 0xB1, 0x02,  //
                                                0x85, 0x05, 0x95, 0x06, 0x09, 0x01, 0xB1, 0x02, 0xC0};
  const auto collections = ParseReportDescriptor(descriptor);
  ASSERT_TRUE(collections);
  EXPECT_EQ((*collections)[0].featureReportByteLength, 7);
  EXPECT_EQ((*collections)[0].reportIds, (std::vector<std::uint8_t>{4, 5}));
}

TEST(ReportDescriptor, ExtendedUsageAndPushPop) {
  // Usage given as page:usage in 4 bytes; Push/Pop restore the report size.
  const std::vector<std::uint8_t> descriptor = {0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x75, 0x08,
                                                0xA4, 0x75, 0x10, 0xB4, 0x95, 0x01, 0x81, 0x02, 0xC0};
  const auto collections = ParseReportDescriptor(descriptor);
  ASSERT_TRUE(collections);
  EXPECT_EQ((*collections)[0].usagePage, 0x0C);
  EXPECT_EQ((*collections)[0].usage, 0x01);
  EXPECT_EQ((*collections)[0].inputReportByteLength, 2);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRejected) {
  EXPECT_FALSE(ParseReportDescriptor(std::vector<std::uint8_t>{0x05}));                    // data cut off
  EXPECT_FALSE(ParseReportDescriptor(std::vector<std::uint8_t>{0xC0}));                    // end without start
  EXPECT_FALSE(ParseReportDescriptor(std::vector<std::uint8_t>{0x09, 0x01, 0xA1, 0x01}));  // left open
  EXPECT_FALSE(ParseReportDescriptor(std::vector<std::uint8_t>{0xB4}));                    // pop of nothing
  const auto empty = ParseReportDescriptor(std::vector<std::uint8_t>{});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

}  // namespace
}  // namespace platform::linux_backend
