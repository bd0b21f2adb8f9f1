// A stream unit follows one recovered file's bytes and tells where the recording ends and whether it is
// whole. It is fed, in order, exactly the bytes appended to the file; any chunking of the same bytes gives
// the same answers. Its state is bounded: it never keeps the whole file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quillot {

enum class TStreamState {
  Continues,  // the stream goes on past the bytes fed so far
  Ended,      // the stream ended at byte At of the file (its exact length, its trailing parts included)
  Broke,      // a checksum or the structure failed; the failing part starts at byte At
  Unknown,    // the unit cannot tell: not its stream, or the stream carries no usable length
};

struct TStreamAnswer {
  TStreamState State = TStreamState::Continues;
  uint64_t At = 0;  // a byte offset in the file for Ended and Broke, else 0
  bool operator==(const TStreamAnswer&) const = default;
};

enum class TVerdict {
  Whole,     // a recording as it was written: its start and its end both proven, every checksum it carries held
  CutShort,  // the bytes stopped before the end its data announces
  Damaged,   // a checksum or the structure failed
  Unknown,
  // A frame stream that carries no length: its frames held from the first byte to the last, but nothing tells
  // that the recording began or ended there.
  Unproven,
};
inline constexpr size_t kVerdicts = 5;

// What the verdict rests on.
enum class TEvidence { None, Structure, Checksums };

// Whether a recording went on past the length its header declares (a header written before the recording grew):
// its end is then where the signal stopped going on, or where the bytes stopped, which no length proves.
enum class TPastHeader {
  No,
  Longer,       // the samples after the declared end go on with the recording
  MayBeLonger,  // the signal cannot tell whether they do, and they are kept rather than cut away
};

struct TStreamVerdict {
  TVerdict Verdict = TVerdict::Unknown;
  TEvidence Evidence = TEvidence::None;
  TPastHeader PastHeader = TPastHeader::No;
  bool operator==(const TStreamVerdict&) const = default;
};

class TStreamUnit {
 public:
  virtual ~TStreamUnit() = default;
  // Takes the next bytes of the file and answers for everything fed so far. Once Ended or Broke, the
  // answer stays the same whatever follows.
  virtual TStreamAnswer Feed(const uint8_t* data, size_t size) = 0;
  // The verdict once no more bytes come; may be asked more than once.
  virtual TStreamVerdict Close() = 0;
  // Follows the structure alone, computing no checksum: a pass that does not trim gets its verdicts at
  // almost no cost, resting on the structure. Called before the first Feed.
  void SkipChecksums() { checksums_ = false; }

  // Whether the bytes that follow those fed so far go on with this stream, as far as the unit can tell
  // without taking them; asked only while the stream continues. A frame chain or page walk says so only
  // when its next frame or page starts exactly there and next begins one of its stream; a unit that
  // follows lengths alone says so while its stream goes on.
  virtual bool ContinuesWith(const uint8_t* next, size_t size) const {
    (void)next;
    (void)size;
    return true;
  }
  // Frames of one stream found in a row from the first byte, each where the one before it ended and its
  // checksums holding; 0 for a unit that is no frame chain.
  virtual uint64_t ChainedFrames() const { return 0; }
  // Where the last of those frames ends, in the file's bytes.
  virtual uint64_t LastFrameEnd() const { return 0; }
  // A unit in the state this one had where its stream broke, or where the part it was reading when the
  // bytes stopped began, ready to be fed that part again from other bytes (a recording stored in pieces);
  // at tells that byte of the file. nullptr where the unit cannot. A chain of frames with no count of its
  // own that ended answers too, where its last frame began: in a file already in pieces, such an end where
  // a cluster of the medium ends inside that frame is taken for the next break.
  virtual std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const {
    (void)at;
    return nullptr;
  }
  // Whether the broken part, its first headSize bytes taken from head (the file's bytes from the break on)
  // and the rest from next, may go on with the stream: a quick test that few wrong candidates pass, asked
  // before a candidate is fed to RestartAtBreak's unit.
  virtual bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
    (void)head;
    (void)headSize;
    (void)next;
    (void)nextSize;
    return false;
  }
  // How far into the other piece MayResumeWith may search for the broken part's successor: what the quick test
  // costs, paid once a candidate however many ends of the first piece are tried with it.
  virtual uint64_t ResumeSearchLength() const { return 0; }
  // For a candidate that MayResumeWith took: whether the bytes before it on the medium (before, ending where
  // the candidate begins) hold frames of a like stream that run on into it exactly where the broken part's
  // successor would stand. The candidate is then the middle of another recording, the weak proof of a frame
  // run being no proof there. Asked of frame chains, whose frames carry no stream's own number.
  virtual bool RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const {
    (void)head;
    (void)headSize;
    (void)before;
    (void)beforeSize;
    return false;
  }
  // Where the stream ends if no more bytes come, for a unit still weighing whether its stream goes on past the
  // end it declared (TRiffStream); nothing where the answers tell it.
  virtual std::optional<uint64_t> EndIfNoMore() const { return std::nullopt; }
  // How many bytes the part that broke (or was left unfinished) takes: where the first piece of a recording
  // stored in pieces may end at the most, counted from the break (0: the part had not begun).
  virtual uint64_t BrokenPartLength() const { return 0; }
  // The parts (pages, frames) whose checks held so far.
  virtual uint64_t PartsHeld() const { return 0; }
  // How many such frames prove that a stream starts at the first byte (see streams/StartCheck.h); 0 for
  // a unit that cannot confirm a start.
  virtual uint64_t FramesToConfirmStart() const { return 0; }
  // Whether the stream carries a checksum of its whole content (FLAC's MD5 of the audio): a file put
  // together from pieces is proven only once a decoder has checked it.
  virtual bool CarriesContentSum() const { return false; }
  // A recording whose samples nothing else checks is judged on the signal where the medium's clusters begin,
  // at file offsets that are multiples of bytes; where it plainly stops going on, its stream broke. Judged in
  // every pass, as no claim of whole may rest on a length whose content another file took.
  virtual void JudgeSamplesEvery(uint64_t bytes) { (void)bytes; }
  // Whether the stream's claim on the bytes that follow rests on a declared length alone, its content
  // unchecked (PCM samples): frames that confirm a start inside that length prove more than it does.
  virtual bool ClaimsByLengthAlone() const { return false; }
  // Whether a start that frames confirm at next is this stream's own data rather than a new file: the stream
  // goes on there, and by more than a length alone.
  bool HoldsBackStart(const uint8_t* next, size_t size) const {
    return !ClaimsByLengthAlone() && ContinuesWith(next, size);
  }

 protected:
  // What a finding of the checksums' rests on when they were skipped: the structure.
  TEvidence ByChecksums() const { return checksums_ ? TEvidence::Checksums : TEvidence::Structure; }

  bool checksums_ = true;
};

// The unit of the given name ("riff", "flac"), or nullptr when no unit has that name.
std::unique_ptr<TStreamUnit> MakeStreamUnit(std::string_view name);
// The names of every unit, in the order they were added.
std::vector<std::string_view> StreamUnitNames();

}  // namespace quillot
