// Reading a sample file of tests/data as a job converting it into UTF-8 PGN
// reads it. Every test that reads a whole file through the product's loading
// code goes through ReadSample, so that a change of how the loader is called
// is made here once.
#pragma once

#include <functional>
#include <string>

struct TChessRec;
class TTestJob;

// Called after each record with the reader's result.
using TSampleHandler = std::function<void(TChessRec& rec, bool ok)>;

// Sets the job up for the source format (pages of every kind use the web-page
// row) with a UTF-8 PGN destination and the source code page srcCodePage (-1:
// chosen from the file's first bytes as the command line chooses it), then
// reads every record of the file: each block of a web page, each record of a
// CBL 2.x library (a single .cbr record file is read as one record), else the
// one record of the file. Returns the number of records read.
int ReadSample(TTestJob& job, int format, const std::string& path, int srcCodePage,
               const TSampleHandler& onRecord);
