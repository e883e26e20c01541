// DhtmlXQ records. The reader walks the tags (or, for the applet pages, the
// <param> elements) of one block, collects the move lists as runs of links and
// builds the tree from the links; the old move list form gives every move its
// parent node instead. The writer always writes the new form: one movelist tag
// for the main line and one move_A_B_C tag per variation.
#include "formats/text/dhtmlxq.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <map>
#include <random>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/board.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/variants.h"

const TCodeRec DhtmlXQKeys[kDhtmlXQKeyCount] = {
    {kSlotVersion, "ver"},
    {kSlotInit, "init"},
    {kSlotPageVersion, "pver"},
    {kSlotTitle, "title"},
    {kSlotEvent, "event"},
    {kSlotGroup, "group"},
    {kSlotDate, "date"},
    {kSlotSite, "place"},
    {kSlotRound, "round"},
    {kSlotTable, "table"},
    {kSlotReferee, "judge"},
    {kSlotRecorder, "record"},
    {kSlotResult, "result"},
    {kSlotOpenLine, "open"},
    {kSlotCommentator, "remark"},
    {kSlotCreator, "author"},
    {kSlotRed, "red"},
    {kSlotRedTeam, "redteam"},
    {kSlotRedName, "redname"},
    {kSlotRedLevel, "redlevel"},
    {kSlotRedRating, "redrating"},
    {kSlotRedEng, "redeng"},
    {kSlotRedTime, "redtime"},
    {kSlotBlack, "black"},
    {kSlotBlackTeam, "blackteam"},
    {kSlotBlackName, "blackname"},
    {kSlotBlackLevel, "blacklevel"},
    {kSlotBlackRating, "blackrating"},
    {kSlotBlackEng, "blackeng"},
    {kSlotBlackTime, "blacktime"},
    {kSlotType, "type"},
    {kSlotTimeRule, "timerule"},
    {kSlotResultType, "endtype"},
    {kSlotFirstNum, "firstnum"},
    {kSlotOther, "other"},
    {kSlotRecordKind, "gametype"},
    {kSlotContestType, "class"},
    {kSlotRefer, "refer"},
    {kSlotOwner, "owner"},
    {kSlotOldOwner, "oldowner"},
    {kSlotDateCreated, "adddate"},
    {kSlotDateModified, "editdate"},
    {kSlotHidden, "hidden"},
    {kSlotPrice, "price"},
    {kSlotHits, "hits"},
    {kSlotSortId, "sortid"},
    {kSlotViewUrl, "viewurl"},
};

// In the order the WebCchess 5 writer puts the parameters on the page.
const TCodeRec AppletKeys[kAppletKeyCount] = {
    {kSlotSound, "sound"},     {kSlotRedName, "red"},    {kSlotShowMove, "show_move"},
    {kSlotBlackName, "black"}, {kSlotTitle, "title"},    {kSlotResult, "winner"},
    {kSlotEvent, "game"},      {kSlotCommentator, "cn"}, {kSlotSite, "place"},
    {kSlotCreator, "in"},      {kSlotDate, "date"},
};

const TCodeRec UbbPlaceholders[kUbbPlaceholderCount] = {
    {kSlotTitle, "%Title%"},         {kSlotEvent, "%MatchName%"}, {kSlotRedName, "%RedName%"},
    {kSlotBlackName, "%BlackName%"}, {kSlotResult, "%Result%"},   {kSlotRedVsBlack, "%RedVsBlack%"},
    {kSlotEcco, "%Ecco%"},           {kSlotOpening, "%Opening%"}, {kSlotVariation, "%Variation%"},
};

namespace {

// Site identifiers written into the "ver" tag and the default reference. They
// stand for the viewer's site; an installation may change them.
constexpr std::string_view kViewerVersion = "dhtmlxq_example_org";
constexpr std::string_view kViewerVersionBig5 = "dhtmlxq_example_org_big5";
constexpr std::string_view kDefaultRefer =
    "https%3A%2F%2Fdhtmlxq.example.org%2F%0D%0Ahttps%3A%2F%2Fdhtmlxq.example.org%2Fdhtmlxq%2F";

// Old-form move lists switch from 12 to 13 characters per move (the parent
// number gains a digit) after this many moves.
constexpr int kOldFormShortMoves = 10000;
constexpr size_t kOldFormShortLength = 120000;

constexpr std::string_view kOpenPrefix = "[dhtmlxq_";
constexpr std::string_view kClosePrefix = "[/dhtmlxq_";

// A non-negative decimal number filling the whole text; -1 for anything else.
int ReadNumber(std::string_view s) {
  if (s.empty()) return -1;
  int value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < 0) return -1;
  return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void LogMissingParent(TJobState& job, TChessRec& rec, int number) {
  char msg[64];
  std::snprintf(msg, sizeof msg, "第 %d 步沒有找到上一步!;", number);
  job.LogRecord(rec, SystemText(msg), kLogError);
}

// One move-list tag: the line it forms, the step its first move takes, the
// line it leaves, where its value lies (1-based) and its run of links.
struct TMoveItem {
  int Line;
  int Base;
  int ParentLine;
  size_t ValueStart;
  size_t ValueLength;
  int First;
  int Count;
};

struct TCommentItem {
  int Line;
  int Step;
  size_t ValueStart;
  size_t ValueLength;
};

class TDhtmlReader {
 public:
  TDhtmlReader(TJobState& job, TChessRec& rec, int kind, const std::string& text)
      : job_(job), rec_(rec), kind_(kind), text_(text), cp_(static_cast<int>(job.DstCodePage)) {}

  void Read(size_t start, size_t end) {
    WalkTags(start, end);
    if (TextSlot(rec_, kSlotRedName).empty())
      TextSlot(rec_, kSlotRedName) = TextSlot(rec_, kSlotRed);
    if (TextSlot(rec_, kSlotBlackName).empty())
      TextSlot(rec_, kSlotBlackName) = TextSlot(rec_, kSlotBlack);
    ReadResult();
    bool oldForm = false;
    if (mainItem_ >= 0) {
      const TMoveItem& main = items_[static_cast<size_t>(mainItem_)];
      oldForm = kind_ != kPageDhtmlXQ || HasCapital(Value(main.ValueStart, main.ValueLength));
      if (oldForm)
        ReadOldForm(main);
      else
        ReadNewForm();
    }
    StoreComments(oldForm);
    if (kind_ == kPageCcbJava) rec_.SourceBreak = 1;
    job_.Log(SystemText(kind_ == kPageWebC5 ? "源棋譜格式：[WebCchess 5]"
                        : kind_ == kPageCcbJava
                            ? "源棋譜格式：象棋橋Java棋譜(CCBJava.class引擎、CCBJava2.class引擎)"
                        : oldForm ? "源棋譜格式：東萍舊格式"
                                  : "源棋譜格式：東萍新格式"),
             kLogPlain);
  }

 private:
  std::string_view Value(size_t start, size_t length) const {
    return std::string_view(text_).substr(start - 1, length);
  }

  // The old form is told by the capital letters of its notation codes. The
  // writer puts "XXXX" in place of a move with a square off the board; such a
  // group at a move's place is no notation code (none begins with X), so it
  // does not turn a new-form list into an old one.
  static bool HasCapital(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] < 'A' || s[i] > 'Z') continue;
      if (i % 4 == 0 && s.substr(i, 4) == "XXXX") {
        i += 3;
        continue;
      }
      return true;
    }
    return false;
  }

  // Where the last closing tag of each name stands in the block (1-based), by
  // lower-case name. An opening tag whose name has no closing tag after it is
  // passed over without a search, so that the walk stays linear however many
  // unclosed tags a page holds.
  void IndexClosingTags(size_t start, size_t end) {
    lastClose_.clear();
    size_t bracket = 0;
    for (size_t q = start; (q = PosTextDbcs(cp_, kClosePrefix, text_, end, q)) != 0; ++q) {
      const size_t nameStart = q + kClosePrefix.size();
      // Prefixes inside one name share its bracket: searched once.
      if (bracket < nameStart) bracket = PosCharDbcs(cp_, ']', text_, end, nameStart);
      if (bracket == 0) break;
      lastClose_[LowerAscii(Value(nameStart, bracket - nameStart))] = q;
    }
  }

  // When the next opening tag from pos has no closing tag, steps past its
  // prefix as the tag search would, saying once per name what is missing.
  bool PassUnclosedTag(size_t& pos, size_t end) {
    const size_t open = PosTextDbcs(cp_, kOpenPrefix, text_, end, pos);
    if (open == 0) return false;
    const size_t nameStart = open + kOpenPrefix.size();
    const size_t bracket = PosCharDbcs(cp_, ']', text_, end, nameStart);
    if (bracket == 0) return false;
    const std::string name = LowerAscii(Value(nameStart, bracket - nameStart));
    auto it = lastClose_.find(name);
    if (it != lastClose_.end() && it->second > bracket) return false;
    if (reportedUnclosed_.insert(name).second)
      job_.Log(SystemText("沒有找到字符串：") + std::string(kClosePrefix) + name + "]");
    pos = nameStart;
    return true;
  }

  void WalkTags(size_t start, size_t end) {
    size_t pos = start;
    std::string name;
    size_t valueStart = 0, valueLength = 0;
    if (kind_ == kPageDhtmlXQ) IndexClosingTags(start, end);
    for (;;) {
      int got;
      if (kind_ == kPageDhtmlXQ) {
        if (PassUnclosedTag(pos, end)) continue;
        got = FindTagPair(job_, kOpenPrefix, kClosePrefix, text_, end, pos, name, valueStart,
                          valueLength);
        if (got == 0) break;
        if (got == 1) continue;
      } else {
        got = ReadParamTag(cp_, text_, name, valueStart, valueLength, end, pos);
        if (got == kParamEnd) break;
        if (got == kParamSkip) continue;
      }
      if (name.empty() || valueLength == 0) continue;
      // Both walks keep the value inside the block; checked once more so that
      // no later read can leave the text.
      if (valueStart < 1 || valueStart - 1 + valueLength > text_.size()) continue;
      ReadTag(name, valueStart, valueLength);
    }
  }

  void ReadTag(const std::string& name, size_t valueStart, size_t valueLength) {
    const std::string_view value = Value(valueStart, valueLength);
    if (name == "binit") {
      if (value.size() >= 64) ReadStartPosition(value);
    } else if (name == "movelist") {
      if (value.size() >= 4) AddMoveItem(0, 1, -1, valueStart, valueLength);
    } else if (name.compare(0, 5, "move_") == 0) {
      if (value.size() >= 4) ReadVariationTag(name, valueStart, valueLength);
    } else if (name.compare(0, 7, "comment") == 0 ||
               (name.size() >= 2 && name[0] == 'j' && IsDigit(name[1]))) {
      ReadCommentTag(name, valueStart, valueLength);
    } else {
      const TCodeRec* keys = kind_ == kPageDhtmlXQ ? DhtmlXQKeys : AppletKeys;
      const int count = kind_ == kPageDhtmlXQ ? kDhtmlXQKeyCount : kAppletKeyCount;
      for (int i = 0; i < count; ++i) {
        if (name == keys[i].Text) {
          TextSlot(rec_, keys[i].Code).assign(value);
          break;
        }
      }
    }
  }

  void ReadStartPosition(std::string_view value) {
    for (int s = 0; s < 32; ++s) {
      const char x = value[2 * s], y = value[2 * s + 1];
      rec_.Pieces[s] =
          (x >= '0' && x <= '8' && IsDigit(y)) ? SquareOf(x - '0', y - '0') : kNoSquare;
    }
  }

  void AddMoveItem(int line, int base, int parentLine, size_t valueStart, size_t valueLength) {
    const int count = static_cast<int>(valueLength / 4);
    items_.push_back(TMoveItem{line, base, parentLine, valueStart, valueLength, nextLink_, count});
    nextLink_ += count;
    if (line == 0) mainItem_ = static_cast<int>(items_.size()) - 1;
  }

  // move_A_B_C: variation C leaves line A at step B.
  void ReadVariationTag(const std::string& name, size_t valueStart, size_t valueLength) {
    const size_t first = name.find('_', 6);
    if (first == std::string::npos) return;
    const size_t second = name.find('_', first + 2);
    if (second == std::string::npos) return;
    const std::string_view n(name);
    const int a = ReadNumber(n.substr(5, first - 5));
    const int b = ReadNumber(n.substr(first + 1, second - first - 1));
    const int c = ReadNumber(n.substr(second + 1));
    if (a < 0 || b < 1 || c < 1) return;
    AddMoveItem(c, b, a, valueStart, valueLength);
  }

  void ReadCommentTag(const std::string& name, size_t valueStart, size_t valueLength) {
    int line = 0, step = -1;
    const std::string_view n(name);
    if (n[0] == 'j') {
      step = ReadNumber(n.substr(1));
    } else {
      const size_t bar = n.size() > 8 ? n.find('_', 8) : std::string_view::npos;
      if (bar == std::string_view::npos) {
        step = ReadNumber(n.substr(7));
      } else {
        line = ReadNumber(n.substr(7, bar - 7));
        step = ReadNumber(n.substr(bar + 1));
      }
    }
    if (line < 0 || step < 0) {
      job_.LogRecord(rec_, SystemText("不能識別注解：") + name, kLogError);
      return;
    }
    comments_.push_back(TCommentItem{line, step, valueStart, valueLength});
  }

  void ReadResult() {
    const std::string& result = TextSlot(rec_, kSlotResult);
    if (result.empty()) return;
    if (kind_ == kPageCcbJava) {
      const int number = ReadNumber(result);
      rec_.GameResult = number < 0 ? 4 : number;
    } else if (const int english = EnglishResult(result); english != 0) {
      rec_.GameResult = english;
    } else {
      ResultFromText(rec_, result, cp_);
    }
  }

  // Pages of English sites give the result from red's side as one letter:
  // W (red wins), L (red loses) or D (draw). 0 for anything else.
  static int EnglishResult(std::string_view text) {
    const std::string word = UpperAscii(TrimText(text));
    return word == "W" ? 1 : word == "L" ? 2 : word == "D" ? 3 : 0;
  }

  // Hangs the link `alt` as the last alternative of `link`. A link that
  // already has alternatives keeps them; the new one follows them.
  void AttachAlternative(int link, int alt) {
    auto tail = altTails_.find(link);
    int last = tail == altTails_.end() ? link : tail->second;
    // Tags that name each other as parents can close a ring of alternatives;
    // the walks share one budget so that such a ring costs no more than a
    // pass over the links.
    while (rec_.Links[static_cast<size_t>(last)].Alt > 0 && last != alt) {
      if (walkBudget_-- <= 0) return;
      last = rec_.Links[static_cast<size_t>(last)].Alt;
    }
    if (last == alt) return;
    rec_.Links[static_cast<size_t>(last)].Alt = alt;
    altTails_[link] = alt;
  }

  // The link of line `line` at step `step`, searched in the items before
  // `self` (nearest first), then in those after it (last first); 0 if none.
  // A line is normally one tag, so a search looks at one item. Files that
  // give many tags the same line number could make every search look at all
  // of them; the searches share a budget of a few looks per tag, and a
  // variation found only beyond it counts as having no parent.
  int FindStepLink(int line, int step, int self) {
    auto found = lineItems_.find(line);
    if (found == lineItems_.end()) return 0;
    const std::vector<int>& list = found->second;
    auto covers = [&](int i) {
      const TMoveItem& it = items_[static_cast<size_t>(i)];
      const int64_t offset = int64_t{step} - it.Base;
      return offset >= 0 && offset < it.Count ? it.First + static_cast<int>(offset) : 0;
    };
    const auto split = std::lower_bound(list.begin(), list.end(), self);
    for (auto it = split; it != list.begin() && searchBudget_-- > 0;) {
      --it;
      if (int link = covers(*it)) return link;
    }
    for (auto it = list.end(); it != split && searchBudget_-- > 0;) {
      --it;
      if (*it == self) continue;
      if (int link = covers(*it)) return link;
    }
    return 0;
  }

  void ReadNewForm() {
    SetLinkCount(rec_, nextLink_);
    walkBudget_ = int64_t{nextLink_} * 2;
    searchBudget_ = static_cast<int64_t>(items_.size()) * 16 + 4096;
    for (size_t i = 0; i < items_.size(); ++i)
      lineItems_[items_[i].Line].push_back(static_cast<int>(i));
    std::map<std::pair<int, int>, int> latestAtStep;
    for (size_t i = 0; i < items_.size(); ++i) {
      const TMoveItem& item = items_[i];
      if (item.Line > 0) {
        auto same = latestAtStep.find({item.ParentLine, item.Base});
        int link = same != latestAtStep.end()
                       ? items_[static_cast<size_t>(same->second)].First
                       : FindStepLink(item.ParentLine, item.Base, static_cast<int>(i));
        if (link > 0)
          AttachAlternative(link, item.First);
        else
          LogMissingParent(job_, rec_, item.First);
        latestAtStep[{item.ParentLine, item.Base}] = static_cast<int>(i);
      }
      for (int k = 0; k < item.Count; ++k) {
        const int link = item.First + k;
        TLinkNode& node = rec_.Links[static_cast<size_t>(link)];
        StoreMoveWord(node.Move, ParseDigitMove(job_, rec_, text_, link,
                                                item.ValueStart + 4 * static_cast<size_t>(k)));
        node.Next = k + 1 < item.Count ? link + 1 : 0;
      }
    }
    BuildTreeFromLinks(rec_, items_[static_cast<size_t>(mainItem_)].First);
  }

  void ReadOldForm(const TMoveItem& main) {
    const size_t length = main.ValueLength / 4 * 4;
    int n;
    if (kind_ == kPageCcbJava)
      n = static_cast<int>(length / 8);
    else if (length <= kOldFormShortLength)
      n = static_cast<int>(length / 12);
    else
      n = static_cast<int>((length - kOldFormShortLength) / 13) + kOldFormShortMoves;
    SetLinkCount(rec_, n + 1);
    const std::string_view value = Value(main.ValueStart, main.ValueLength);
    std::vector<int> parentOf(static_cast<size_t>(n) + 1, -1);
    std::unordered_map<int, int> latestWithParent;
    for (int k = 1; k <= n; ++k) {
      size_t offset;
      if (kind_ == kPageCcbJava)
        offset = static_cast<size_t>(k - 1) * 8;
      else if (k <= kOldFormShortMoves)
        offset = static_cast<size_t>(k - 1) * 12;
      else
        offset = kOldFormShortLength + static_cast<size_t>(k - kOldFormShortMoves - 1) * 13;
      TLinkNode& link = rec_.Links[static_cast<size_t>(k)];
      StoreMoveWord(link.Move, ParseDigitMove(job_, rec_, text_, k, main.ValueStart + offset));
      TLinkNode& previous = rec_.Links[static_cast<size_t>(k - 1)];
      previous.Next = k;
      if (kind_ == kPageCcbJava) continue;
      const int p = ReadNumber(value.substr(offset + 8, k <= kOldFormShortMoves ? 4 : 5));
      parentOf[static_cast<size_t>(k)] = p;
      if (p < 0) {
        previous.Next = 0;
        LogMissingParent(job_, rec_, k);
        continue;
      }
      if (k >= 2 && parentOf[static_cast<size_t>(k - 1)] >= p) {
        previous.Next = 0;
        auto sibling = latestWithParent.find(p);
        if (sibling != latestWithParent.end())
          rec_.Links[static_cast<size_t>(sibling->second)].Alt = k;
        else
          LogMissingParent(job_, rec_, k);
      }
      latestWithParent[p] = k;
    }
    BuildTreeFromLinks(rec_, n >= 1 ? 1 : 0);
  }

  void StoreComments(bool oldForm) {
    std::vector<TLinkSourceRow> source;
    source.reserve(items_.size());
    for (const TMoveItem& it : items_)
      source.push_back(TLinkSourceRow{it.First, it.First + it.Count, it.Line, it.Base, 0, 0, 0});
    std::vector<TLinkIndexRow> index;
    BuildLinkIndex(source, index);
    for (const TCommentItem& c : comments_) {
      const std::string_view value = Value(c.ValueStart, c.ValueLength);
      if (c.Line == 0) {
        // A comment for a node the record does not have would fill a text
        // slot that nothing reads.
        if (c.Step <= rec_.MoveCount) SetMoveText(rec_, c.Step, value);
      } else if (!oldForm) {
        SetMoveTextByKey(rec_, value, c.Step, c.Line, index, static_cast<int>(index.size()));
      }
    }
  }

  TJobState& job_;
  TChessRec& rec_;
  const int kind_;
  const std::string& text_;
  const int cp_;
  std::unordered_map<std::string, size_t> lastClose_;
  std::unordered_set<std::string> reportedUnclosed_;
  std::vector<TMoveItem> items_;
  std::vector<TCommentItem> comments_;
  int nextLink_ = 1;
  int mainItem_ = -1;
  std::unordered_map<int, std::vector<int>> lineItems_;
  std::unordered_map<int, int> altTails_;
  int64_t walkBudget_ = 0;
  int64_t searchBudget_ = 0;
};

// ---------------------------------------------------------------- writer

// Appends to a string, or only counts what would be appended.
struct TCountSink {
  size_t Size = 0;
  void Add(std::string_view s) { Size += s.size(); }
};
struct TStringSink {
  std::string& Out;
  void Add(std::string_view s) { Out.append(s); }
};

template <typename TSink>
void AddTag(TSink& sink, std::string_view name, std::string_view value) {
  sink.Add("[DhtmlXQ_");
  sink.Add(name);
  sink.Add("]");
  sink.Add(value);
  sink.Add("[/DhtmlXQ_");
  sink.Add(name);
  sink.Add("]\r\n");
}

template <typename TSink>
void AddMove(TSink& sink, const TMoveNode& node) {
  if (!IsValidSquare(node.From) || !IsValidSquare(node.Dest)) {
    sink.Add("XXXX");
    return;
  }
  const char digits[4] = {
      static_cast<char>('0' + SquareX(node.From)), static_cast<char>('0' + SquareY(node.From)),
      static_cast<char>('0' + SquareX(node.Dest)), static_cast<char>('0' + SquareY(node.Dest))};
  sink.Add(std::string_view(digits, 4));
}

class TDhtmlWriter {
 public:
  TDhtmlWriter(TJobState& job, TChessRec& rec) : job_(job), rec_(rec) {}

  size_t Render(int random, std::string& out) {
    FillSlots();
    const int cp = static_cast<int>(job_.DstCodePage);
    head_ = job_.HeadText;
    foot_ = job_.FootText;
    const std::string number = std::to_string(random);
    for (std::string* part : {&head_, &foot_}) {
      ReplaceAllDbcs(cp, *part, "%Random%", false, number);
      for (const TCodeRec& ph : UbbPlaceholders)
        ReplaceAllDbcs(cp, *part, ph.Text, false, TextSlot(rec_, ph.Code));
    }
    NumberLines();
    WriteSquareDigits(rec_, binit_, "99", "[DhtmlXQ_binit]", "[/DhtmlXQ_binit]\r\n");
    quote_ = OpenAttributeQuote(head_);

    TCountSink counter;
    Emit(counter);
    out.clear();
    out.reserve(counter.Size);
    TStringSink sink{out};
    Emit(sink);
    return counter.Size;
  }

 private:
  void FillSlots() {
    const std::string red = TextSlot(rec_, kSlotRedName);
    const std::string black = TextSlot(rec_, kSlotBlackName);
    if (!red.empty() && !black.empty())
      TextSlot(rec_, kSlotRedVsBlack) = red + TextSlot(rec_, kSlotConnective) + black;
    if (TextSlot(rec_, kSlotRed).empty()) TextSlot(rec_, kSlotRed) = TextSlot(rec_, kSlotRedName);
    if (TextSlot(rec_, kSlotBlack).empty())
      TextSlot(rec_, kSlotBlack) = TextSlot(rec_, kSlotBlackName);
    TextSlot(rec_, kSlotVersion) =
        job_.DstCodePage == static_cast<uint32_t>(kCpBig5) ? kViewerVersionBig5 : kViewerVersion;
    if (TextSlot(rec_, kSlotRefer).empty()) TextSlot(rec_, kSlotRefer) = kDefaultRefer;
    TextSlot(rec_, kSlotInit) = job_.UbbSize;
  }

  // Every node gets the index of the line holding it; each line i >= 1 gets
  // the line of its first node's parent and that node's ply.
  void NumberLines() {
    moveCount_ = std::clamp<int>(rec_.MoveCount, 0, static_cast<int>(rec_.Moves.size()) - 1);
    lastLine_ = std::clamp<int>(rec_.LastLine, 0, static_cast<int>(rec_.Lines.size()) - 1);
    lineOf_.assign(static_cast<size_t>(moveCount_) + 1, 0);
    for (int i = 0; i <= lastLine_; ++i) {
      const auto [first, last] = LineRange(i);
      for (int n = first; n <= last; ++n) lineOf_[static_cast<size_t>(n)] = i;
    }
  }

  std::pair<int, int> LineRange(int i) const {
    const TLineRec& line = rec_.Lines[static_cast<size_t>(i)];
    return {std::max(line.First, 1), std::min(line.Last, moveCount_)};
  }

  template <typename TSink>
  void Emit(TSink& sink) {
    if (job_.DstCodePage == static_cast<uint32_t>(kCpUtf8)) sink.Add("\xEF\xBB\xBF");
    sink.Add(head_);
    for (const TCodeRec& key : DhtmlXQKeys) {
      const std::string& value = TextSlot(rec_, key.Code);
      if (!value.empty()) AddTag(sink, key.Text, Quoted(value));
    }
    sink.Add(binit_);
    if (moveCount_ >= 1) {
      sink.Add("[DhtmlXQ_movelist]");
      AddLineMoves(sink, 0);
      sink.Add("[/DhtmlXQ_movelist]\r\n");
      for (int i = 1; i <= lastLine_; ++i) {
        const auto [first, last] = LineRange(i);
        if (first > last) continue;
        const TMoveNode& head = rec_.Moves[static_cast<size_t>(first)];
        const int parent = std::clamp<int>(head.Parent, 0, moveCount_);
        char name[64];
        std::snprintf(name, sizeof name, "DhtmlXQ_move_%d_%d_%d]",
                      lineOf_[static_cast<size_t>(parent)], head.Ply, i);
        sink.Add("[");
        sink.Add(name);
        AddLineMoves(sink, i);
        sink.Add("[/");
        sink.Add(name);
        sink.Add("\r\n");
      }
    }
    for (int node = 0; node <= moveCount_; ++node) {
      const int slot = rec_.Moves[static_cast<size_t>(node)].TextIndex;
      if (slot <= 0 || static_cast<size_t>(slot) >= rec_.Texts.size()) continue;
      const std::string& comment = rec_.Texts[static_cast<size_t>(slot)];
      if (comment.empty()) continue;
      char name[48];
      const int line = lineOf_[static_cast<size_t>(node)];
      if (line == 0)
        std::snprintf(name, sizeof name, "comment%d", node);
      else
        std::snprintf(name, sizeof name, "comment%d_%d", line,
                      rec_.Moves[static_cast<size_t>(node)].Ply);
      AddTag(sink, name, Quoted(comment));
    }
    AddTag(sink, "generator", kHomePage);
    sink.Add(foot_);
  }

  template <typename TSink>
  void AddLineMoves(TSink& sink, int i) {
    const auto [first, last] = LineRange(i);
    for (int n = first; n <= last; ++n) AddMove(sink, rec_.Moves[static_cast<size_t>(n)]);
  }

  // The quote that encloses the record when the head leaves it inside an
  // attribute value (the JAVA and FRAME pages), else 0.
  static char OpenAttributeQuote(std::string_view head) {
    bool inTag = false;
    char quote = 0;
    for (char c : head) {
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (!inTag) {
        inTag = c == '<';
      } else if (c == '>') {
        inTag = false;
      } else if (c == '"' || c == '\'') {
        quote = c;
      }
    }
    return quote;
  }

  // A value that cannot end the enclosing attribute early: its quotes become
  // typographic ones, as on WebCchess 5 pages.
  std::string_view Quoted(std::string_view value) {
    if (quote_ == 0 || value.find(quote_) == std::string_view::npos) return value;
    quoted_.assign(value);
    const int cp = static_cast<int>(job_.DstCodePage);
    if (quote_ == '"') {
      CurlyQuotes(quoted_, job_.DstCodePageIndex);
    } else {
      ReplaceAllDbcs(cp, quoted_, "'", true, WideToBytes(u"\u2019", cp));
    }
    return quoted_;
  }

  TJobState& job_;
  TChessRec& rec_;
  std::string head_, foot_, binit_, quoted_;
  char quote_ = 0;
  std::vector<int> lineOf_;
  int moveCount_ = 0;
  int lastLine_ = 0;
};

int RandomNumber() {
  static std::minstd_rand engine{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, 32767)(engine);
}

}  // namespace

bool ReadDhtmlXQ(TJobState& job, TChessRec& rec, int kind, int startPos, int endPos,
                 const std::string& text) {
  if (kind < kPageDhtmlXQ || kind > kPageCcbJava) return false;
  const size_t end = std::min(static_cast<size_t>(std::max(endPos, 0)), text.size());
  const size_t start = static_cast<size_t>(std::max(startPos, 1));
  TDhtmlReader(job, rec, kind, text).Read(start, end);
  return true;
}

size_t RenderDhtmlXQ(TJobState& job, TChessRec& rec, int random, std::string& out) {
  return TDhtmlWriter(job, rec).Render(random, out);
}

size_t RenderDhtmlXQRecord(TJobState& job, TChessRec& rec, std::string& out) {
  return RenderDhtmlXQ(job, rec, RandomNumber(), out);
}
