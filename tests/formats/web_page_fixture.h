// Reads web pages the way the any-to-any job does: FindWebRecords over a page
// file, then ReadWebRecord for each block found, keeping a copy of each record.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/baseform.h"
#include "app/dispatch.h"
#include "core/notation.h"
#include "core/record.h"
#include "formats/text/registry.h"
#include "tests/support/files.h"

namespace webpage {

namespace fs = std::filesystem;

inline const fs::path kData = fs::path(TAVRIK_TEST_DATA);

class WebPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job.SrcFormat = kFmtUbbJava;
    job.DstFormat = kFmtPgn;
    job.SrcCodePage = kCpUtf8;
    job.DstCodePage = kCpUtf8;
    job.MapFlags = 0;
    job.TitleType = 3;  // keep the title as read
  }
  std::string Page(const std::string& bytes) {
    std::string path = (dir / ("page" + std::to_string(++pageCount) + ".htm")).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Every record of the page file, in page order; ok tells each reader's result.
  std::vector<TChessRec> ReadPage(const std::string& path) {
    std::string text;
    TDynJavaArray items;
    FindWebRecords(job, path, text, items);
    std::vector<TChessRec> out;
    ok.clear();
    for (const TWebItemRec& item : items) {
      ok.push_back(ReadWebRecord(job, rec, path, item.Kind, item.StartPos, item.EndPos, text));
      out.push_back(rec);
    }
    return out;
  }
  std::vector<TChessRec> ReadText(const std::string& bytes) { return ReadPage(Page(bytes)); }

  bool Logged(const std::string& line) const {
    return job.LogText().find(line) != std::string::npos;
  }

  TTempFolder temp_{"tavrik_webpage"};
  fs::path dir = temp_.Path();
  int pageCount = 0;
  TBaseForm job;
  TChessRec rec;
  std::vector<bool> ok;
};

// The nodes 1..MoveCount in tree order as "ICCS/ply/parent".
inline std::vector<std::string> Nodes(const TChessRec& r) {
  std::vector<std::string> out;
  for (int i = 1; i <= r.MoveCount; ++i)
    out.push_back(RenderIccs(r.Moves[i].From, r.Moves[i].Dest) + "/" +
                  std::to_string(r.Moves[i].Ply) + "/" + std::to_string(r.Moves[i].Parent));
  return out;
}

// The moves of the main line as ICCS.
inline std::string MainLine(const TChessRec& r) {
  std::string out;
  for (int i = 1; i <= r.MoveCount && r.Moves[i].Parent == i - 1 && r.Moves[i].Ply == i; ++i)
    out += (out.empty() ? "" : " ") + RenderIccs(r.Moves[i].From, r.Moves[i].Dest);
  return out;
}

using V = std::vector<std::string>;

}  // namespace webpage
