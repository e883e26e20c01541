// The move check of a completed record. It needs both the board and the
// notation, so it sits above them: the board knows nothing of notation.
#pragma once

class TJobState;
struct TChessRec;

// Replays the move tree once, one work board per node, logs every move that
// cannot be played (with its node number, when job.CheckMoveText is set), sets
// the black-mover flag and the notation codes of the playable moves (standard
// job.WxfStandard, destination job.DstFormat).
void CheckMoves(TJobState& job, TChessRec& rec);
