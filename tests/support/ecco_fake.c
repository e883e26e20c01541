/* A stand-in opening library for tests: it answers with fixed names and keeps
   what it was called with, so that a test can check the calling pattern. */
#include <stdint.h>
#include <string.h>

static int32_t initArg = 12345;
static char lastMoves[256];
static uint32_t lastNameIndex;
static int indexCalls;
/* One buffer for both names, as a library may do: callers must copy at once. */
static char nameBuffer[64];

int32_t EccoInitOpenVar(int32_t traditional) {
  initArg = traditional;
  return 1;
}

uint32_t EccoIndex(const char* wxfMoves) {
  ++indexCalls;
  strncpy(lastMoves, wxfMoves, sizeof lastMoves - 1);
  /* "B31" followed by a fourth byte that is not part of the code. */
  uint32_t value;
  memcpy(&value, "B31Z", 4);
  return value;
}

static const char* Answer(uint32_t index, const char* traditional, const char* simplified) {
  lastNameIndex = index;
  strcpy(nameBuffer, initArg == -1 ? traditional : simplified);
  return nameBuffer;
}

const char* EccoOpening(uint32_t index) { return Answer(index, "中炮對屏風馬", "中炮对屏风马"); }

#ifndef ECCO_FAKE_PARTIAL
const char* EccoVariation(uint32_t index) { return Answer(index, "紅進七兵", "红进七兵"); }
#endif

/* What the test reads back. */
int32_t FakeEccoInitArg(void) { return initArg; }
const char* FakeEccoLastMoves(void) { return lastMoves; }
uint32_t FakeEccoLastNameIndex(void) { return lastNameIndex; }
int FakeEccoIndexCalls(void) { return indexCalls; }
