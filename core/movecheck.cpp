// The move check of a completed record: the move tree replayed on a board.
#include "core/movecheck.h"

#include <algorithm>
#include <vector>

#include "core/board.h"
#include "core/jobstate.h"
#include "core/notation.h"
#include "core/record.h"

void CheckMoves(TJobState& job, TChessRec& rec) {
  if (rec.MoveCount <= 0 || rec.Moves.size() < 2) return;
  const int count =
      rec.MoveCount < int(rec.Moves.size()) ? rec.MoveCount : int(rec.Moves.size()) - 1;
  // A parent that does not come before the node cannot be replayed; such a
  // node is played after its predecessor instead of reading a board not yet
  // made.
  auto parentOf = [&rec](int i) {
    const int parent = rec.Moves[i].Parent;
    return parent >= 0 && parent < i ? parent : i - 1;
  };
  // One board is played forward along the nodes. Only a node that a later node
  // other than its successor continues from (a branch point: the start of an
  // alternative) keeps a copy of its board, so memory follows the number of
  // variations, not the number of moves.
  std::vector<bool> branchPoint(size_t(count) + 1, false);
  for (int i = 2; i <= count; ++i)
    if (parentOf(i) != i - 1) branchPoint[size_t(parentOf(i))] = true;
  std::vector<int32_t> savedNodes;  // ascending, as they are saved
  std::vector<TWorkBoard> savedBoards;
  auto save = [&](int node, const TWorkBoard& b) {
    if (!branchPoint[size_t(node)]) return;
    savedNodes.push_back(node);
    savedBoards.push_back(b);
  };
  auto saved = [&](int node) -> const TWorkBoard& {
    auto at = std::lower_bound(savedNodes.begin(), savedNodes.end(), node);
    return savedBoards[size_t(at - savedNodes.begin())];
  };
  TWorkBoard board;
  MakeWorkBoard(rec, board);
  save(0, board);
  for (int i = 1; i <= count; ++i) {
    TMoveNode& node = rec.Moves[i];
    const int parent = parentOf(i);
    if (parent != i - 1) board = saved(parent);
    node.NoteHead = 0xFF;
    node.NoteTail = 0xFF;
    const int fromX = SquareX(node.From), fromY = SquareY(node.From);
    const int toX = SquareX(node.Dest), toY = SquareY(node.Dest);
    const int piece = IsValidSquare(node.From) ? board[WorkIndex(fromX, fromY)] : -1;
    int result;
    if (job.CheckMoveText) {
      result = IsLegalMove(board, fromX, fromY, toX, toY, false);
      const char* message = nullptr;
      switch (result) {
        case kMoveBadRule:
          message = "第 %d 步，無效的棋步。";
          break;
        case kMoveSameSquare:
          message = "第 %d 步：開始位置和到達位置相同。";
          break;
        case kMoveOwnCapture:
          message = "第 %d 步：吃自己的棋子。";
          break;
        case kMoveBadTarget:
          message = "第 %d 步棋的到達位置錯誤。";
          break;
        case kMoveNoPiece:
          message = "第 %d 步沒有找到棋子。";
          break;
      }
      if (message) job.LogRecord(rec, FormatMoveMessage(message, i), kLogError);
    } else if (piece <= 0) {
      result = kMoveNoPiece;
    } else {
      result = IsValidSquare(node.Dest) ? kMoveLegal : kMoveBadTarget;
    }
    // The black-mover bit belongs to this check: it is cleared first so that a
    // value carried in from a source file never marks a red move as black.
    node.Flags &= ~kFlagBlack;
    if (result == kMoveLegal) {
      node.Flags |= uint32_t(piece >> 4) & kFlagBlack;
      const TNoteCode code = ComputeNoteCode(board, node.From, node.Dest, uint8_t(piece),
                                             job.WxfStandard, int(job.DstFormat));
      node.NoteHead = code.Head;
      node.NoteTail = code.Tail;
    }
    if (result >= 0) {
      board[WorkIndex(fromX, fromY)] = 0;
      board[WorkIndex(toX, toY)] = uint8_t(piece);
    }
    save(i, board);
  }
}
