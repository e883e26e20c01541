// The format table: one row per known format, holding its identifier, file
// extension, description, file mask, comment line-break kind, reader and writer.
// A new format adds its reader and writer here and nowhere else.
#include "formats/text/registry.h"

#include "core/uglobal.h"
#include "formats/binary/ccm.h"
#include "formats/binary/che.h"
#include "formats/binary/cnc.h"
#include "formats/binary/mxq.h"
#include "formats/binary/ourgame.h"
#include "formats/binary/xqf.h"
#include "formats/ccbridge/cbl.h"
#include "formats/ccbridge/cbl3.h"
#include "formats/text/cbf.h"
#include "formats/text/dhtmlxq.h"
#include "formats/text/diagram.h"
#include "formats/text/fenfile.h"
#include "formats/text/pgn.h"
#include "formats/text/text.h"
#include "formats/text/webc5.h"

const TFileTypeRec FileTypes[kFormatCount] = {
    {"XQF", "XQF", "象棋演播室棋譜", "*.XQF", 3, ReadXqf, WriteXqf, RecogniseXqf,
     TCodePageRule::DoubleByte, true, false},
    {"CBF", "CBF", "象棋橋XML棋譜", "*.CBF", 3, ReadCbf, WriteCbf, RecogniseCbf},
    {"UBBJava", "HTM", "東萍、汕頭棋院、Java", "*.HTM;*.HTML", 2, nullptr, nullptr,
     RecogniseWebPage, TCodePageRule::Any, false, true},
    {"WebC5", "HTM", "[WebCchess 5]", "*.HTM;*.HTML", 2, nullptr, WriteWebC5, nullptr,
     TCodePageRule::Any, false, true},
    {"UBB", "HTM", "東萍新格式", "*.HTM;*.HTML", 2, nullptr, WriteDhtmlXQ, nullptr,
     TCodePageRule::Any, false, true},
    {"MXQ", "MXQ", "弈天全局棋譜", "*.MXQ", 0, ReadMxq, nullptr, nullptr, TCodePageRule::DoubleByte,
     true, false},
    {"MCJ", "MCJ", "弈天殘局棋譜", "*.MCJ", 0, ReadMcj, nullptr},
    {"CHE", "CHE", "QQ棋譜", "*.CHE", 0, ReadChe, nullptr},
    {"OurGame", "CHN", "聯眾棋譜", "*.CHN;*.XQI", 3, ReadOurGame, nullptr, RecogniseOurGame,
     TCodePageRule::GbkOnly, true, false},
    {"CCM", "CCM", "中國游戲中心棋譜", "*.CCM", 0, ReadCcm, nullptr},
    {"CNC", "CNC", "楚漢棋緣棋譜", "*.CNC", 0, ReadCnc, WriteCnc, RecogniseCnc},
    {"PGN", "PGN", "便攜式棋譜", "*.PGN", 3, ReadPgn, WritePgn, RecognisePgn, TCodePageRule::Any,
     false, true},
    {"Text", "TXT", "文本棋譜", "*.TXT", 3, ReadText, WriteText, nullptr, TCodePageRule::Any, false,
     true},
    {"TextLayout", "TXT", "文本棋圖", "*.TXT", 0, ReadDiagram, nullptr, nullptr, TCodePageRule::Any,
     false, true},
    {"FEN", "FEN", "FEN局面", "*.FEN", 0, ReadFenFile, WriteFenFile, nullptr, TCodePageRule::Any,
     false, true},
    {"CBL", "CBL", "象棋橋2.x棋庫", "*.CBL", 2, nullptr, nullptr, RecogniseCbl,
     TCodePageRule::GbkOnly, true, false},
    {"CBL3", "CBL", "象棋橋3.0棋庫", "*.CBL", 3, nullptr, nullptr, RecogniseCbl3},
};

const char* const BreakTokens[5] = {"|", "||", "\r\n", "<br>", "  "};
