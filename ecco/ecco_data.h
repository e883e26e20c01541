/* Layout of the generated classification tables: written by gen_ecco_tables,
   read by the matcher in ecco.c.

   A move is one 16-bit word: side << 15 | piece << 12 | file << 8 |
   direction << 4 | number, as Chinese notation writes it from the mover's own
   side (files 1..9 from the mover's right; direction 0 forward, 1 backward,
   2 sideways; number the rows moved or the file reached).

   Each code has one or more branches. A branch is a list of items read in
   order; every item must hold for the branch to match. */
#ifndef TAVRIK_ECCO_DATA_H
#define TAVRIK_ECCO_DATA_H

#include <stdint.h>

enum {
  kPieceRook,
  kPieceHorse,
  kPieceElephant,
  kPieceAdvisor,
  kPieceKing,
  kPieceCannon,
  kPiecePawn
};
enum { kDirForward, kDirBackward, kDirSideways };

#define ECCO_MOVE(side, piece, file, dir, number) \
  ((uint16_t)(((side) << 15) | ((piece) << 12) | ((file) << 8) | ((dir) << 4) | (number)))

enum {
  /* The move at ply Ply (0 = red's first) is one of Count moves. */
  kItemFixed,
  /* The first Count moves of Side are the Count moves of the list, in any order. */
  kItemSet,
  /* A later move of Side, after the previous step of the chain: one of Count moves. */
  kItemStep,
  /* Another move of the same any-order group as the step before it. */
  kItemJoin,
  /* A new chain of steps starts: steps follow the numbered moves again. */
  kItemChain,
  /* Every move of Side before the chain's last step is one of the Count moves. */
  kItemOnly,
  /* Some move of Side before the chain's last step is none of the Count moves. */
  kItemOnlyNot
};

typedef struct {
  uint8_t Kind;
  uint8_t Side;
  uint8_t Ply;
  uint8_t Count;
  uint16_t First; /* index into kEccoMoves */
} TEccoItem;

typedef struct {
  uint16_t FirstItem;
  uint8_t ItemCount;
  /* Moves of each side that the numbered moves fix: steps come after them. */
  uint8_t Floor[2];
  /* Specificity: moves the rule names, and those at fixed numbers. */
  uint8_t RuleMoves;
  uint8_t FixedMoves;
  uint16_t Code; /* index into kEccoCodes */
} TEccoBranch;

typedef struct {
  char Name[4];
  uint16_t FirstExcluded; /* index into kEccoExcluded (code indices) */
  uint8_t ExcludedCount;
  /* Offsets into kEccoNames: opening and variation in GBK (simplified), then Big5. */
  uint32_t Names[4];
} TEccoCode;

/* Branches whose red first move is Move: kEccoBranches[First .. First+Count). */
typedef struct {
  uint16_t Move;
  uint16_t First;
  uint16_t Count;
} TEccoBucket;

#endif
