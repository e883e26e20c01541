// The built opening classifier, called directly through its four C entries
// with WXF move strings as the program writes them: one table per kind of
// rule clause, then the mirror rule, the empty string, the doubled-piece
// forms and the names.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/encoding.h"
#include "core/jobstate.h"

namespace {

class Classifier : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(TAVRIK_BINARY_DIR "/libecco.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    init_ = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(handle_, "EccoInitOpenVar"));
    index_ = reinterpret_cast<uint32_t (*)(const char*)>(dlsym(handle_, "EccoIndex"));
    opening_ = reinterpret_cast<const char* (*)(uint32_t)>(dlsym(handle_, "EccoOpening"));
    variation_ = reinterpret_cast<const char* (*)(uint32_t)>(dlsym(handle_, "EccoVariation"));
    ASSERT_TRUE(init_ && index_ && opening_ && variation_);
    init_(0);
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  std::string Code(const std::string& wxf) {
    uint32_t value = index_(wxf.c_str());
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    return std::string(bytes, strnlen(bytes, 3));
  }

  struct TCase {
    const char* Moves;
    const char* Code;
  };
  void Check(std::initializer_list<TCase> cases) {
    for (const TCase& c : cases) EXPECT_EQ(Code(c.Moves), c.Code) << c.Moves;
  }

  void* handle_ = nullptr;
  int32_t (*init_)(int32_t) = nullptr;
  uint32_t (*index_)(const char*) = nullptr;
  const char* (*opening_)(uint32_t) = nullptr;
  const char* (*variation_)(uint32_t) = nullptr;
};

std::string InCodePage(std::string utf8, int cp) {
  ConvertCodePage(utf8, kCpUtf8, 0, cp);
  return utf8;
}

}  // namespace

TEST_F(Classifier, MovesAtFixedNumbers) {
  Check({
      {"A4+5", "A01"},              // 仕四进五
      {"B3+5B7+5", "A11"},          // 相三进五 象７进５
      {"N2+3P7+1C2.1", "A42"},      // 马二进三 卒７进１ 炮二平一
      {"C2.1P7+1N2+3", "A03"},      // the same moves in another order: 炮二平一 first
      {"C2.5C8.5N2+3N8+7", "D00"},  // a numbered move that is not the rule's goes to the parent
  });
}

TEST_F(Classifier, AlternativesAndBranches) {
  Check({
      {"P3+1B3+5", "E01"},  // 象３进５／象７进５
      {"P3+1B7+5", "E01"},
      {"P3+1C2.5", "E03"},
      // D05's two branches: 2. 马二进三 … 3. 车一进一, or 2. 车一进一 … 3. ……，车９平８
      {"C2.5C8.5N2+3N8+7R1+1R9.8P7+1R8+4", "D05"},
      {"C2.5C8.5R1+1N8+7P7+1R9.8P3+1R8+4", "D05"},
  });
}

TEST_F(Classifier, LaterMovesAndTheMovesAllowedBefore) {
  Check({
      // C00's group: black's second horse later; C01: red's 马八进七 later, with
      // only 马二进三, 车一平二 and the pawns allowed before it.
      {"C2.5N8+7N2+3N2+3P7+1R9.8N8+7", "C01"},
      {"C2.5N8+7N2+3N2+3R9+1R9.8N8+7", "C00"},  // 车九进一 before: not allowed
      {"C2.5N8+7N2+3N2+3R1+1", "C10"},          // a code under its group's rule
      // B31 allows black only elephants and pawns before 马８进７; B30 wants another move.
      {"C2.5N2+3N2+3C8.6R1.2N8+7", "B31"},
      {"C2.5N2+3N2+3R1+1R1.2C8.6P3+1N8+7", "B30"},
  });
}

TEST_F(Classifier, AnyOrderSetsAndBasePositions) {
  Check({
      {"C2.5N2+3N2+3C8.6R1.2N8+7P3+1P3+1N8+9R1.2C8.7", "B54"},
      {"C2.5N2+3P3+1C8.6N2+3N8+7R1.2P3+1N8+9R1.2C8.7", "B54"},  // transposed
      // C20's position reached in two orders, then C21's 6. 车九进一.
      {"C2.5N8+7N2+3R9.8R1.2P7+1R2+6N2+3N8+7P3+1", "C20"},
      {"C2.5N2+3N2+3N8+7N8+7P3+1R1.2R9.8R2+6P7+1", "C20"},
      {"C2.5N2+3N2+3N8+7N8+7P3+1R1.2R9.8R2+6P7+1R9+1", "C21"},
  });
}

TEST_F(Classifier, ExclusionsAndTheRest) {
  Check({
      {"B3+5N2+3", "A14"},
      {"B3+5N2+3P3+1", "A15"},  // excluded from A14
      {"C2.5N2+3N2+3", "B01"},
      {"P5+1", "A00"},  // no code takes it
      {"", ""},         // no moves: no code and no names
  });
  EXPECT_STREQ(opening_(index_("")), "");
  EXPECT_STREQ(variation_(index_("")), "");
}

TEST_F(Classifier, GamesOpeningOnRedsLeftAreMirrored) {
  Check({
      {"C8.5", "B00"},
      {"N8+7", "A40"},
      {"B7+5", "A10"},
      // 炮八平五 马２进３ 马八进七 马８进７ 车九进一 is C10 seen in the mirror.
      {"C8.5N2+3N8+7N8+7R9+1", "C10"},
  });
}

TEST_F(Classifier, DoubledPieceForms) {
  // Two red cannons on the middle file; black's second horse after them makes
  // C00, and it is only seen when the doubled move before it was read.
  const std::string cannons = "C2.5N8+7C5-1R9.8C8.5P3+1";
  // Two red pawns on file 2, built with black waiting on allowed pawn moves.
  const std::string pawns = "C2.5N8+7P3+1R9.8P3+1P3+1P3.2P3+1P1+1P3+1P1+1P3+1P1+1P3+1P1.2P3+1";
  const std::string pawnsAfter = "P7+1R9+1N2+3";
  struct {
    std::string Moves;
    const char* Code;
  } cases[] = {
      {cannons + "C+.4N2+3", "C00"},         // front
      {cannons + "C-.6N2+3", "C00"},         // rear
      {cannons + "C..4N2+3", "B05"},         // no middle one of two: reading stops
      {pawns + "P++1" + pawnsAfter, "C00"},  // front pawn
      {pawns + "Pa+1" + pawnsAfter, "C00"},  // first pawn
      {pawns + "2++1" + pawnsAfter, "C00"},  // front pawn of file 2
      {pawns + "P-+1" + pawnsAfter, "B05"},  // the rear one is blocked
      {pawns + "P2+1" + pawnsAfter, "C00"},  // piece and file: the one that can move
  };
  for (const auto& c : cases) EXPECT_EQ(Code(c.Moves), c.Code) << c.Moves;
}

TEST_F(Classifier, NamesInGbkOrBig5) {
  uint32_t value = index_("C2.5N8+7");  // B05
  EXPECT_EQ(Code("C2.5N8+7"), "B05");
  EXPECT_EQ(opening_(value), InCodePage("中炮对进左马", kCpGbk));
  init_(-1);
  EXPECT_EQ(opening_(value), InCodePage("中炮對進左馬", kCpBig5));
  value = index_("C2.5N8+7N2+3R9.8R1.2P7+1R2+6N2+3N8+7P3+1R9+1");
  EXPECT_EQ(variation_(value), InCodePage("紅左橫車", kCpBig5));
  init_(0);
  EXPECT_EQ(variation_(value), InCodePage("红左横车", kCpGbk));
}
