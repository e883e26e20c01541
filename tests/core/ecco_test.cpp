#include "core/ecco.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// Reads back what the stand-in library was called with. dlopen of the same
// file returns the instance the binding loaded, so its state is shared.
struct TFakeLibrary {
  void* Handle;
  explicit TFakeLibrary(const std::string& folder)
      : Handle(dlopen((folder + "/libecco.so").c_str(), RTLD_NOW | RTLD_NOLOAD)) {}
  ~TFakeLibrary() {
    if (Handle) dlclose(Handle);
  }
  template <typename T>
  T Call(const char* name) {
    auto fn = reinterpret_cast<T (*)()>(dlsym(Handle, name));
    return fn ? fn() : T{};
  }
};

class Ecco : public ::testing::Test {
 protected:
  void TearDown() override { UnloadEccoLibrary(); }
};

}  // namespace

TEST_F(Ecco, MissingLibraryOrEntryDisablesClassificationSilently) {
  LoadEccoLibrary("/nonexistent/folder");
  EXPECT_FALSE(EccoLoaded());
  std::string code = "x", opening = "x", variation = "x";
  EccoInitOpenVar(true);  // no library: nothing to call
  EXPECT_FALSE(EccoClassify("C2.5", code, opening, variation));
  EXPECT_EQ(code + opening + variation, "");

  LoadEccoLibrary(TAVRIK_PARTIAL_ECCO_DIR);
  EXPECT_FALSE(EccoLoaded());
  // The partial library was closed again: nothing of it stays loaded.
  EXPECT_EQ(TFakeLibrary(TAVRIK_PARTIAL_ECCO_DIR).Handle, nullptr);
}

TEST_F(Ecco, CallingPattern) {
  LoadEccoLibrary(std::string(TAVRIK_FAKE_ECCO_DIR) + "/");
  ASSERT_TRUE(EccoLoaded());
  TFakeLibrary fake(TAVRIK_FAKE_ECCO_DIR);
  ASSERT_NE(fake.Handle, nullptr);

  EccoInitOpenVar(false);
  EXPECT_EQ(fake.Call<int32_t>("FakeEccoInitArg"), 0);
  EccoInitOpenVar(true);
  EXPECT_EQ(fake.Call<int32_t>("FakeEccoInitArg"), -1);

  // 25 moves go in; the library sees the first 20.
  std::string moves;
  for (int i = 0; i < 25; ++i) moves += i % 2 ? "h8+7" : "C2.5";
  std::string code, opening, variation;
  ASSERT_TRUE(EccoClassify(moves, code, opening, variation));
  EXPECT_EQ(std::string(fake.Call<const char*>("FakeEccoLastMoves")), moves.substr(0, 80));
  EXPECT_EQ(code, "B31");  // three bytes in memory order; the fourth is not part of it
  uint32_t expectIndex;
  std::memcpy(&expectIndex, "B31Z", 4);
  EXPECT_EQ(fake.Call<uint32_t>("FakeEccoLastNameIndex"), expectIndex);
  // Both names come through one buffer of the library, so each must be copied
  // before the other is asked for.
  EXPECT_EQ(opening, "中炮對屏風馬");
  EXPECT_EQ(variation, "紅進七兵");

  EccoInitOpenVar(false);
  ASSERT_TRUE(EccoClassify("C2.5", code, opening, variation));
  EXPECT_EQ(fake.Call<const char*>("FakeEccoLastMoves"), std::string("C2.5"));
  EXPECT_EQ(opening, "中炮对屏风马");
  EXPECT_EQ(variation, "红进七兵");
  EXPECT_EQ(fake.Call<int>("FakeEccoIndexCalls"), 2);
}

TEST_F(Ecco, InstalledCopyFindsTheLibraryInItsPrivateFolder) {
  namespace fs = std::filesystem;
  std::string tmpl = (fs::temp_directory_path() / "tavrik_ecco_XXXXXX").string();
  const std::string root = std::string(mkdtemp(tmpl.data())) + "/";
  const std::string bin = root + "usr/bin/";
  fs::create_directories(bin);
  const std::string privateFolder = PrivateLibraryFolder(bin);

  LoadEccoLibrary(bin);
  EXPECT_FALSE(EccoLoaded());
  fs::create_directories(privateFolder);
  fs::copy_file(std::string(TAVRIK_FAKE_ECCO_DIR) + "/libecco.so", privateFolder + "libecco.so");
  LoadEccoLibrary(bin);
  EXPECT_TRUE(EccoLoaded());
  std::string code, opening, variation;
  EXPECT_TRUE(EccoClassify("C2.5", code, opening, variation));
  EXPECT_EQ(code, "B31");
  UnloadEccoLibrary();
  fs::remove_all(root);
}
