#include "core/variants.h"

#include <gtest/gtest.h>

#include <string>

#include "core/jobstate.h"

TEST(Variants, CodePageTablesHoldThePinnedBytes) {
  EXPECT_EQ(CodePageText(kCtEllipsis, 0), "\xA1\xAD\xA1\xAD\xA1\xAD\xA1\xAD");
  EXPECT_EQ(CodePageText(kCtEllipsis, 1), "\xA1\x4B\xA1\x4B\xA1\x4B\xA1\x4B");
  EXPECT_EQ(CodePageText(kCtEllipsis, 2), "…………");
  EXPECT_EQ(CodePageText(kCtOpenBrace, 0), "\xA3\xFB");
  EXPECT_EQ(CodePageText(kCtCloseBrace, 1), "\xA1\x62");
  EXPECT_EQ(CodePageText(kCtOpenBrace, 2), "\xEF\xBD\x9B");
  EXPECT_EQ(CodePageText(kCtCloseQuote, 1), "\xA1\xA8");
  EXPECT_EQ(CodePageText(kCtOpenQuote, 3), "");
}

TEST(Variants, NotationCharactersHaveTheirWidthInEveryVariant) {
  const int lengths[] = {15, 15, 16, 16, 3};
  for (int t = kVtNoteHeadRed; t <= kVtNoteDirection; ++t) {
    for (int v = 0; v < kVariantCount; ++v) {
      auto table = static_cast<TVariantTable>(t);
      size_t width = v >= 3 ? 3 : 2;
      EXPECT_EQ(VariantText(table, 0, v).size(), lengths[t - kVtNoteHeadRed] * width) << t << v;
      EXPECT_EQ(NoteChar(table, lengths[t - kVtNoteHeadRed] - 1, v).size(), width);
      EXPECT_TRUE(NoteChar(table, lengths[t - kVtNoteHeadRed], v).empty());
    }
  }
  // 炮 is C5 DA in GBK and AC B6 in Big5.
  EXPECT_EQ(NoteChar(kVtNoteHeadRed, 5, 0), "\xC5\xDA");
  EXPECT_EQ(NoteChar(kVtNoteHeadRed, 5, 2), "\xAC\xB6");
  EXPECT_EQ(NoteChar(kVtNoteHeadBlack, 0, 3), "车");
  EXPECT_EQ(NoteChar(kVtNoteHeadBlack, 0, 4), "車");
  EXPECT_EQ(NoteChar(kVtNoteDigitsBlack, 0, 4), "１");
  EXPECT_EQ(NoteChar(kVtNoteDirection, 0, 3), "进");
  EXPECT_EQ(NoteChar(kVtNoteHeadRed, 9, 1), "\xE1\xE1");  // 後 in GBK
}

TEST(Variants, StringTablesBySimplifiedAndTraditionalForm) {
  EXPECT_EQ(VariantCount(kVtSummaryLabels), 11);
  EXPECT_EQ(VariantText(kVtSummaryLabels, 0, 3), "棋局标题：");
  EXPECT_EQ(VariantText(kVtSummaryLabels, 0, 4), "棋局標題：");
  EXPECT_EQ(VariantText(kVtSummaryLabels, 10, 1), "FEN     \xA3\xBA");
  EXPECT_EQ(VariantText(kVtResultWords, 0, 2), "\xAC\xF5\xB3\xD3");  // 紅勝 in Big5
  EXPECT_EQ(VariantText(kVtResultConnectives, 1, 3), " 负 ");
  EXPECT_EQ(VariantText(kVtSideLabels, 0, 1), "[\xBC\x74] - ");  // [紅] in GBK
  const std::string& footer = VariantText(kVtFooter, 0, 4);
  EXPECT_EQ(footer.rfind("棋譜由 Tavrik(", 0), 0u);
  EXPECT_NE(footer.find(kHomePage), std::string::npos);
  EXPECT_EQ(footer.substr(footer.size() - 4), "\r\n\r\n");
  EXPECT_NE(VariantText(kVtFooter, 0, 0).find("\xD0\xBB\xD0\xBB"), std::string::npos);  // 谢谢
  EXPECT_EQ(VariantText(kVtResultWords, 4, 0), "");
  EXPECT_EQ(VariantText(kVtResultWords, 0, 5), "");
}

TEST(Variants, TextVariantOfADestination) {
  EXPECT_EQ(TextVariantFor(kCpGbk, 0), 0);
  EXPECT_EQ(TextVariantFor(kCpGbk, kMapToTraditional), 1);
  EXPECT_EQ(TextVariantFor(kCpBig5, kMapToSimplified), 2);
  EXPECT_EQ(TextVariantFor(kCpUtf8, kMapToSimplified), 3);
  EXPECT_EQ(TextVariantFor(kCpUtf8, kMapToTraditional), 4);
  EXPECT_EQ(VariantCodePage(2), kCpBig5);
  EXPECT_TRUE(IsSimplifiedVariant(3));
  EXPECT_FALSE(IsSimplifiedVariant(2));
}

TEST(Variants, EveryStringFitsEveryCodePage) {
  // A character that GBK or Big5 cannot hold would come out as "?".
  for (int t = 0; t < kVariantTableCount; ++t) {
    auto table = static_cast<TVariantTable>(t);
    ASSERT_GT(VariantCount(table), 0) << t;
    for (int i = 0; i < VariantCount(table); ++i)
      for (int v = 0; v < kVariantCount; ++v)
        EXPECT_EQ(VariantText(table, i, v).find('?'), std::string::npos) << t << " " << i << " " << v;
  }
  for (int t = 0; t < kCpTableCount; ++t)
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(CodePageText(static_cast<TCpTable>(t), k).find('?'), std::string::npos) << t << k;
}
