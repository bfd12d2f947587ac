#include "sections/procedural/LabelTable.h"

#include <gtest/gtest.h>

#include <string>

#include "core/Format.h"

namespace skarn {
namespace {

// The text due at offset, or "<none>"; *end receives the data-area end.
std::string Take(LabelTable& t, uint32_t offset, int64_t* end = nullptr) {
  int64_t scratch = 99;
  int64_t* out = end != nullptr ? end : &scratch;
  const char* text = t.TakeLabelsAt(offset, out);
  return text != nullptr ? std::string(text) : std::string("<none>");
}

TEST(LabelTableTest, NothingDueBeforeTheFirstLabel) {
  LabelTable t;
  int64_t end = 99;
  EXPECT_EQ(Take(t, 0x10, &end), "<none>");
  EXPECT_EQ(end, 0);
  EXPECT_EQ(t.DataAreaEnd(0x10), 0);

  t.AddLabel(0x20);
  end = 99;
  EXPECT_EQ(Take(t, 0x1E, &end), "<none>");
  EXPECT_EQ(end, 0);
  EXPECT_EQ(t.size(), 1u);
}

TEST(LabelTableTest, SteppedOverLabelsComeOutAsOverrunLines) {
  LabelTable t;
  t.AddLabel(0x20);
  t.AddLabel(0x10);
  EXPECT_EQ(Take(t, 0x18), ":L000010 ; overrun label\n");
  EXPECT_EQ(Take(t, 0x20), ":L000020\n");
  EXPECT_TRUE(t.empty());

  t.AddLabel(0x10);
  t.AddLabel(0x20);
  EXPECT_EQ(Take(t, 0x20), ":L000010 ; overrun label\n:L000020\n");
  EXPECT_EQ(Take(t, 0x30), "<none>");
}

TEST(LabelTableTest, OrderIsUnsignedAndWideLabelsKeepAllDigits) {
  LabelTable t;
  t.AddLabel(0x80000000u);
  t.AddLabel(0x7FFFFFFFu);
  t.AddLabel(0x1234567);
  t.AddLabel(0xFFFFFFFFu);
  t.AddLabel(0x1234567);  // a second time: still one label
  EXPECT_EQ(t.size(), 4u);
  EXPECT_EQ(Take(t, 0xFFFFFFFFu),
            ":L1234567 ; overrun label\n:L7FFFFFFF ; overrun label\n:L80000000 ; overrun label\n:LFFFFFFFF\n");
}

TEST(LabelTableTest, JumpTargetsNeverBecomeUnreachable) {
  LabelTable t;
  t.MarkUnreachable(0x40, 1);
  t.AddLabel(0x40);
  t.AddLabel(0x50);
  EXPECT_EQ(t.DataAreaEnd(0x40), 0);

  LabelTable u;
  u.AddLabel(0x30);
  u.AddLabel(0x40);
  u.MarkUnreachable(0x40, 1);
  u.AddLabel(0x50);
  EXPECT_EQ(u.DataAreaEnd(0x40), 0);
  EXPECT_EQ(u.size(), 3u);
}

TEST(LabelTableTest, MarkedLabelGivesTheDataAreaEnd) {
  LabelTable t;
  t.AddLabel(0x10);
  t.MarkUnreachable(0x20, 1);
  t.AddLabel(0x30);
  t.MarkUnreachable(0x40, 1);
  // Asking does not consume.
  EXPECT_EQ(t.DataAreaEnd(0x20), 0x30);
  EXPECT_EQ(t.DataAreaEnd(0x20), 0x30);
  EXPECT_EQ(t.DataAreaEnd(0x40), -1);
  EXPECT_EQ(t.DataAreaEnd(0x10), 0);
  EXPECT_EQ(t.DataAreaEnd(0x41), 0);  // beyond every label
  EXPECT_EQ(t.DataAreaEnd(0x18), 0);  // between labels
  EXPECT_EQ(t.size(), 4u);

  int64_t end = 0;
  EXPECT_EQ(Take(t, 0x10, &end), ":L000010\n");
  EXPECT_EQ(end, 0);
  EXPECT_EQ(Take(t, 0x20, &end), ":L000020\n");
  EXPECT_EQ(end, 0x30);
  EXPECT_EQ(Take(t, 0x30, &end), ":L000030\n");
  EXPECT_EQ(end, 0);
  EXPECT_EQ(Take(t, 0x40, &end), ":L000040\n");
  EXPECT_EQ(end, -1);
  EXPECT_TRUE(t.empty());
}

TEST(LabelTableTest, MarkedLabelReachedAfterOverrunsStillReportsItsArea) {
  LabelTable t;
  t.AddLabel(0x08);
  t.MarkUnreachable(0x10, 1);
  t.AddLabel(0x18);
  int64_t end = 0;
  EXPECT_EQ(Take(t, 0x10, &end), ":L000008 ; overrun label\n:L000010\n");
  EXPECT_EQ(end, 0x18);
}

TEST(LabelTableTest, LabelsAddedWhileConsumingTakeTheirPlace) {
  // The print pass may mark positions the collect pass skipped.
  LabelTable t;
  t.AddLabel(0x10);
  t.AddLabel(0x20);
  t.AddLabel(0x30);
  EXPECT_EQ(Take(t, 0x10), ":L000010\n");
  t.MarkUnreachable(0x18, 1);
  t.MarkUnreachable(0x20, 1);  // an existing target stays one
  int64_t end = 0;
  EXPECT_EQ(Take(t, 0x18, &end), ":L000018\n");
  EXPECT_EQ(end, 0x20);
  EXPECT_EQ(Take(t, 0x20, &end), ":L000020\n");
  EXPECT_EQ(end, 0);
  EXPECT_EQ(t.size(), 1u);
}

TEST(LabelTableTest, ManyOverrunLinesAreAllKept) {
  LabelTable t;
  std::string expected;
  for (uint32_t i = 1; i <= 40; ++i) {
    t.AddLabel(i * 0x100000);
    expected += Format(":L%.6X ; overrun label\n", i * 0x100000);
  }
  const std::string text = Take(t, 0xFFFFFFFFu);
  EXPECT_GT(text.size(), 256u);
  EXPECT_EQ(text, expected);
}

TEST(LabelTableTest, TargetsInDescendingOrderStayCheapAndComeOutAscending) {
  // A program may name its targets backwards (32-bit calls far ahead, each
  // nearer than the last): every one lands before all the others. A hundred
  // thousand of them must not cost a shift of the whole table each.
  constexpr uint32_t kCount = 100000;
  LabelTable t;
  for (uint32_t i = kCount; i >= 1; --i) t.AddLabel(i * 16);
  t.MarkUnreachable(kCount * 8, 1);  // an existing target stays one
  EXPECT_EQ(t.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(t.DataAreaEnd(kCount * 8), 0);
  EXPECT_EQ(Take(t, 16), ":L000010\n");
  const std::string text = Take(t, kCount * 16);
  EXPECT_EQ(text.substr(0, 25), ":L000020 ; overrun label\n");
  EXPECT_EQ(text.substr(text.size() - 34), ":L1869F0 ; overrun label\n:L186A00\n");
  EXPECT_TRUE(t.empty());
}

TEST(LabelTableTest, ClearForgetsEverythingAndTheTableIsReusable) {
  LabelTable t;
  for (uint32_t round = 0; round < 3; ++round) {
    for (uint32_t i = 0; i < 100; ++i) t.AddLabel(1000 - i * 4 + round);
    EXPECT_EQ(t.size(), 100u);
    EXPECT_EQ(Take(t, 0x260 + round),
              Format(":L%.6X ; overrun label\n:L%.6X\n", 0x25C + round, 0x260 + round));
    t.Clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(Take(t, 0xFFFFFFFFu), "<none>");
  }
}

TEST(LabelTableTest, NeverClearedTableCarriesLabelsIntoTheNextWalk) {
  // A walker that is not cleared between programs keeps the labels one walk
  // never reached; a later walk passes them as overrun labels.
  LabelTable t;
  for (uint32_t obj = 0; obj < 300; ++obj) {
    const uint32_t base = obj * 0x100;
    t.AddLabel(base + 0x10);
    t.AddLabel(base + 0x80);  // beyond this object's last command
    const std::string carried = obj == 0 ? "" : Format(":L%.6X ; overrun label\n", base - 0x100 + 0x80);
    EXPECT_EQ(Take(t, base + 0x10), carried + Format(":L%.6X\n", base + 0x10));
    EXPECT_EQ(t.size(), 1u);
  }
}

}  // namespace
}  // namespace skarn
