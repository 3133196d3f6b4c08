#include "orb7zfolder.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "7zAlloc.h"
#include "7zCrc.h"
#include "Bcj2.h"
#include "Bra.h"
#include "CpuArch.h"
#include "Delta.h"
#include "Lzma2Dec.h"
#include "LzmaDec.h"
#include "Ppmd7.h"

// One stage of a folder's coder graph: hands out its output in order.
class ORB7zByteSource {
public:
    virtual ~ORB7zByteSource() = default;
    // Up to size bytes into buf; *got is 0 only at the end of the stage's output.
    virtual SRes Read(Byte* buf, size_t size, size_t* got) = 0;
};

namespace {

const ISzAlloc kCoderAlloc = {SzAlloc, SzFree};
const size_t kPackBuffer = size_t(1) << 18;
const size_t kStageBuffer = size_t(1) << 18;
// Smaller blocks are decoded by the reader: a thread hand-off per block would cost
// more than the overlap gains (a non-solid archive has one block per file).
const UInt64 kAheadFrom = UInt64(1) << 22;

enum : UInt32 {
    kCopy = 0,
    kDelta = 3,
    kARM64 = 0xa,
    kRISCV = 0xb,
    kLZMA2 = 0x21,
    kLZMA = 0x30101,
    kPPMD = 0x30401,
    kBCJ = 0x3030103,
    kBCJ2 = 0x303011B,
    kPPC = 0x3030205,
    kIA64 = 0x3030401,
    kARM = 0x3030501,
    kARMT = 0x3030701,
    kSPARC = 0x3030805,
};

size_t Smaller(size_t a, UInt64 b) { return b < a ? size_t(b) : a; }

// One packed stream: a byte range of the archive, read through its own buffer so that
// several of them (BCJ2 has four) can be read alternately.
class PackSource : public ORB7zByteSource {
public:
    PackSource(ISeekInStreamPtr stream, UInt64 offset, UInt64 size)
        : stream_(stream), offset_(offset), left_(size), capacity_(Smaller(kPackBuffer, size ? size : 1)),
          buf_(new Byte[capacity_]) {}

    SRes Read(Byte* buf, size_t size, size_t* got) override {
        *got = 0;
        if (head_ == tail_) {
            if (left_ == 0 || size == 0) return SZ_OK;
            Int64 pos = Int64(offset_);
            SRes res = ISeekInStream_Seek(stream_, &pos, SZ_SEEK_SET);
            if (res != SZ_OK) return res;
            size_t n = Smaller(capacity_, left_);
            res = ISeekInStream_Read(stream_, buf_.get(), &n);
            if (res != SZ_OK) return res;
            if (n == 0) return SZ_ERROR_INPUT_EOF;  // the archive ends inside the stream
            offset_ += n;
            left_ -= n;
            head_ = 0;
            tail_ = n;
        }
        size_t n = tail_ - head_ < size ? tail_ - head_ : size;
        std::memcpy(buf, buf_.get() + head_, n);
        head_ += n;
        *got = n;
        return SZ_OK;
    }

    // Direct access for the LZMA decoders, which take their input in place.
    SRes Look(const Byte** data, size_t* size) {
        size_t got = 0;
        if (head_ == tail_) {
            Byte probe;
            SRes res = Read(&probe, 1, &got);
            if (res != SZ_OK) return res;
            if (got) --head_;
        }
        *data = buf_.get() + head_;
        *size = tail_ - head_;
        return SZ_OK;
    }
    void Skip(size_t n) { head_ += n; }
    bool AtEnd() const { return head_ == tail_ && left_ == 0; }

private:
    ISeekInStreamPtr stream_;
    UInt64 offset_, left_;
    size_t capacity_;
    std::unique_ptr<Byte[]> buf_;  // not cleared: many small blocks each get one
    size_t head_ = 0, tail_ = 0;
};

// Copy coder: the packed bytes are the output.
class CopySource : public ORB7zByteSource {
public:
    explicit CopySource(std::unique_ptr<PackSource> in) : in_(std::move(in)) {}
    SRes Read(Byte* buf, size_t size, size_t* got) override { return in_->Read(buf, size, got); }

private:
    std::unique_ptr<PackSource> in_;
};

// LZMA and LZMA2: the dictionary is a ring buffer no larger than the coder's output,
// so small blocks cost little and large ones cost the dictionary, not their size.
class LzmaSource : public ORB7zByteSource {
public:
    LzmaSource(std::unique_ptr<PackSource> in, UInt64 outSize, bool lzma2)
        : in_(std::move(in)), left_(outSize), lzma2_(lzma2) {
        Lzma2Dec_CONSTRUCT(&dec2_)
        LzmaDec_CONSTRUCT(&dec1_)
    }
    ~LzmaSource() override {
        if (lzma2_)
            Lzma2Dec_FreeProbs(&dec2_, &kCoderAlloc);
        else
            LzmaDec_FreeProbs(&dec1_, &kCoderAlloc);
        ISzAlloc_Free(&kCoderAlloc, dic_);
    }

    SRes Init(const Byte* props, unsigned propsSize) {
        UInt32 dictSize;
        if (lzma2_) {
            if (propsSize != 1 || props[0] > 40) return SZ_ERROR_UNSUPPORTED;
            dictSize = props[0] == 40 ? 0xFFFFFFFF : (UInt32(2) | (props[0] & 1)) << (props[0] / 2 + 11);
            SRes res = Lzma2Dec_AllocateProbs(&dec2_, props[0], &kCoderAlloc);
            if (res != SZ_OK) return res;
        } else {
            if (propsSize < 5) return SZ_ERROR_UNSUPPORTED;
            dictSize = GetUi32(props + 1);
            SRes res = LzmaDec_AllocateProbs(&dec1_, props, propsSize, &kCoderAlloc);
            if (res != SZ_OK) return res;
        }
        if (dictSize < (UInt32(1) << 12)) dictSize = UInt32(1) << 12;
        UInt64 want = left_ < dictSize ? left_ : dictSize;
        if (want == 0) want = 1;
        dicSize_ = size_t(want);
        if (dicSize_ != want) return SZ_ERROR_MEM;
        dic_ = static_cast<Byte*>(ISzAlloc_Alloc(&kCoderAlloc, dicSize_));
        if (!dic_) return SZ_ERROR_MEM;
        Dec()->dic = dic_;
        Dec()->dicBufSize = dicSize_;
        if (lzma2_)
            Lzma2Dec_Init(&dec2_);
        else
            LzmaDec_Init(&dec1_);
        Dec()->dicPos = 0;
        return SZ_OK;
    }

    SRes Read(Byte* buf, size_t size, size_t* got) override {
        *got = 0;
        while (*got == 0 && left_ != 0 && size != 0) {
            CLzmaDec* d = Dec();
            if (d->dicPos == dicSize_) d->dicPos = 0;
            size_t from = d->dicPos;
            size_t room = Smaller(Smaller(size, left_), dicSize_ - from);
            const Byte* in;
            size_t avail;
            SRes res = in_->Look(&in, &avail);
            if (res != SZ_OK) return res;
            SizeT used = avail;
            ELzmaFinishMode mode = room == left_ ? LZMA_FINISH_END : LZMA_FINISH_ANY;
            res = Decode(from + room, in, &used, mode);
            in_->Skip(used);
            size_t n = d->dicPos - from;
            std::memcpy(buf, dic_ + from, n);
            *got = n;
            left_ -= n;
            if (res != SZ_OK) return res;
            if (n == 0 && used == 0) return SZ_ERROR_DATA;  // no progress: damaged or cut short
            if (left_ == 0) return Finish();
        }
        return SZ_OK;
    }

private:
    CLzmaDec* Dec() { return lzma2_ ? &dec2_.decoder : &dec1_; }

    SRes Decode(size_t limit, const Byte* in, SizeT* used, ELzmaFinishMode mode) {
        return lzma2_ ? Lzma2Dec_DecodeToDic(&dec2_, limit, in, used, mode, &status_)
                      : LzmaDec_DecodeToDic(&dec1_, limit, in, used, mode, &status_);
    }

    // The whole output is out: the stream must end here (an end mark may follow) and
    // its packed bytes must all be used.
    SRes Finish() {
        for (;;) {
            if (status_ == LZMA_STATUS_FINISHED_WITH_MARK ||
                (!lzma2_ && status_ == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK))
                break;
            const Byte* in;
            size_t avail;
            SRes res = in_->Look(&in, &avail);
            if (res != SZ_OK) return res;
            if (avail == 0) return SZ_ERROR_DATA;
            SizeT used = avail;
            if (Dec()->dicPos == dicSize_) Dec()->dicPos = 0;
            res = Decode(Dec()->dicPos, in, &used, LZMA_FINISH_END);
            in_->Skip(used);
            if (res != SZ_OK) return res;
            if (used == 0) return SZ_ERROR_DATA;
        }
        const Byte* in;
        size_t avail;
        SRes res = in_->Look(&in, &avail);
        if (res != SZ_OK) return res;
        return avail == 0 && in_->AtEnd() ? SZ_OK : SZ_ERROR_DATA;
    }

    std::unique_ptr<PackSource> in_;
    UInt64 left_;
    bool lzma2_;
    CLzmaDec dec1_;
    CLzma2Dec dec2_;
    Byte* dic_ = nullptr;
    size_t dicSize_ = 0;
    ELzmaStatus status_ = LZMA_STATUS_NOT_SPECIFIED;
};

// PPMd (the model 7z writes: PPMdH with its own range coder), one symbol at a time; the
// model takes the memory its properties ask for.
class PpmdSource : public ORB7zByteSource {
public:
    PpmdSource(std::unique_ptr<PackSource> in, UInt64 outSize) : in_(std::move(in)), left_(outSize) {
        byteIn_.vt.Read = NextByte;
        byteIn_.owner = this;
        Ppmd7_Construct(&ppmd_);
    }
    ~PpmdSource() override { Ppmd7_Free(&ppmd_, &kCoderAlloc); }

    // The order and memory size, as 7z stores them.
    static SRes Check(const Byte* props, unsigned propsSize) {
        if (propsSize != 5) return SZ_ERROR_UNSUPPORTED;
        UInt32 mem = GetUi32(props + 1);
        return props[0] < PPMD7_MIN_ORDER || props[0] > PPMD7_MAX_ORDER || mem < PPMD7_MIN_MEM_SIZE ||
                       mem > PPMD7_MAX_MEM_SIZE
                   ? SZ_ERROR_UNSUPPORTED
                   : SZ_OK;
    }

    SRes Init(const Byte* props, unsigned propsSize) {
        SRes res = Check(props, propsSize);
        if (res != SZ_OK) return res;
        if (!Ppmd7_Alloc(&ppmd_, GetUi32(props + 1), &kCoderAlloc)) return SZ_ERROR_MEM;
        Ppmd7_Init(&ppmd_, props[0]);
        ppmd_.rc.dec.Stream = &byteIn_.vt;
        return SZ_OK;
    }

    SRes Read(Byte* buf, size_t size, size_t* got) override {
        *got = 0;
        size = Smaller(size, left_);
        if (size == 0) return SZ_OK;
        if (!started_) {
            started_ = true;
            if (!Ppmd7z_RangeDec_Init(&ppmd_.rc.dec) || ended_) return Failure();
        }
        size_t n = 0;
        for (; n < size; ++n) {
            int sym = Ppmd7z_DecodeSymbol(&ppmd_);
            if (ended_ || sym < 0) break;
            buf[n] = Byte(sym);
        }
        *got = n;
        left_ -= n;
        if (n < size) return Failure();
        // The whole output is out: the coder must be at its end and every packed byte used.
        if (left_ == 0 && (!Ppmd7z_RangeDec_IsFinishedOK(&ppmd_.rc.dec) || !in_->AtEnd())) return SZ_ERROR_DATA;
        return SZ_OK;
    }

private:
    struct ByteIn {
        IByteIn vt;
        PpmdSource* owner;
    };
    // Past the end of the packed bytes (or after a read failure) the model gets zeros
    // and the run fails. noexcept: the SDK's C code calling it has no unwind tables in
    // the 32-bit build.
    static Byte NextByte(IByteInPtr p) noexcept {
        PpmdSource* self = Z7_CONTAINER_FROM_VTBL(p, ByteIn, vt)->owner;
        const Byte* data = nullptr;
        size_t avail = 0;
        if (!self->ended_) {
            SRes res = self->in_->Look(&data, &avail);
            if (res != SZ_OK) self->res_ = res;
        }
        if (avail == 0) {
            self->ended_ = true;
            return 0;
        }
        self->in_->Skip(1);
        return data[0];
    }
    SRes Failure() const { return res_ != SZ_OK ? res_ : SZ_ERROR_DATA; }

    std::unique_ptr<PackSource> in_;
    UInt64 left_;
    ByteIn byteIn_;
    CPpmd7 ppmd_;
    bool started_ = false;
    bool ended_ = false;
    SRes res_ = SZ_OK;
};

// Branch converters and Delta over a buffer: converted bytes are handed out, bytes a
// converter needs to see more of stay at the front for the next round. Bytes left
// unconverted at the very end stay as they are, as when a whole block is converted.
class FilterSource : public ORB7zByteSource {
public:
    FilterSource(std::unique_ptr<ORB7zByteSource> in, UInt32 method, UInt32 pc, unsigned delta)
        : in_(std::move(in)), method_(method), pc_(pc), delta_(delta), buf_(kStageBuffer) {
        Delta_Init(deltaState_);
    }

    SRes Read(Byte* buf, size_t size, size_t* got) override {
        *got = 0;
        while (out_ == ready_) {
            std::memmove(buf_.data(), buf_.data() + ready_, end_ - ready_);
            end_ -= ready_;
            out_ = ready_ = 0;
            if (ended_) {
                if (end_ == 0) return SZ_OK;
                ready_ = end_;  // the unconvertible tail
                break;
            }
            size_t n = 0;
            SRes res = in_->Read(buf_.data() + end_, buf_.size() - end_, &n);
            if (res != SZ_OK) return res;
            if (n == 0) ended_ = true;
            end_ += n;
            ready_ = Convert(buf_.data(), end_);
            pc_ += UInt32(ready_);
        }
        size_t n = ready_ - out_ < size ? ready_ - out_ : size;
        std::memcpy(buf, buf_.data() + out_, n);
        out_ += n;
        *got = n;
        return SZ_OK;
    }

private:
    size_t Convert(Byte* data, size_t size) {
        Byte* end = data;
        switch (method_) {
        case kDelta:
            Delta_Decode(deltaState_, delta_, data, size);
            return size;
        case kBCJ: end = z7_BranchConvSt_X86_Dec(data, size, pc_, &x86State_); break;
        case kPPC: end = z7_BranchConv_PPC_Dec(data, size, pc_); break;
        case kIA64: end = z7_BranchConv_IA64_Dec(data, size, pc_); break;
        case kSPARC: end = z7_BranchConv_SPARC_Dec(data, size, pc_); break;
        case kARM: end = z7_BranchConv_ARM_Dec(data, size, pc_); break;
        case kARMT: end = z7_BranchConv_ARMT_Dec(data, size, pc_); break;
        case kARM64: end = z7_BranchConv_ARM64_Dec(data, size, pc_); break;
        case kRISCV: end = z7_BranchConv_RISCV_Dec(data, size, pc_); break;
        }
        return size_t(end - data);
    }

    std::unique_ptr<ORB7zByteSource> in_;
    UInt32 method_, pc_;
    unsigned delta_;
    UInt32 x86State_ = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
    Byte deltaState_[DELTA_STATE_SIZE];
    std::vector<Byte> buf_;
    size_t out_ = 0, ready_ = 0, end_ = 0;
    bool ended_ = false;
};

// BCJ2: four input stages (main, call, jump, range coder) merged into one output.
class Bcj2Source : public ORB7zByteSource {
public:
    Bcj2Source(std::unique_ptr<ORB7zByteSource> in[BCJ2_NUM_STREAMS], UInt64 outSize) : left_(outSize) {
        for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i) {
            in_[i] = std::move(in[i]);
            buf_[i].resize(kStageBuffer);
            dec_.bufs[i] = dec_.lims[i] = buf_[i].data();
        }
        Bcj2Dec_Init(&dec_);
    }

    SRes Read(Byte* buf, size_t size, size_t* got) override {
        *got = 0;
        size = Smaller(size, left_);
        if (size == 0) return SZ_OK;
        dec_.dest = buf;
        dec_.destLim = buf + size;
        for (;;) {
            if (Bcj2Dec_Decode(&dec_) != SZ_OK) return SZ_ERROR_DATA;
            if (dec_.dest == dec_.destLim) break;
            if (dec_.state >= BCJ2_NUM_STREAMS) return SZ_ERROR_DATA;
            bool more = false;
            SRes res = Refill(dec_.state, &more);
            if (res != SZ_OK) return res;
            if (!more) return SZ_ERROR_DATA;  // an input ends before the output does
        }
        *got = size;
        left_ -= size;
        if (left_ != 0) return SZ_OK;
        // The range coder may still take its last normalising byte.
        if (dec_.bufs[BCJ2_STREAM_RC] == dec_.lims[BCJ2_STREAM_RC]) {
            bool more = false;
            SRes res = Refill(BCJ2_STREAM_RC, &more);
            if (res != SZ_OK) return res;
            if (more && Bcj2Dec_Decode(&dec_) != SZ_OK) return SZ_ERROR_DATA;
        }
        // Everything must have been used up exactly.
        for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i) {
            if (dec_.bufs[i] != dec_.lims[i]) return SZ_ERROR_DATA;
            Byte probe;
            size_t n = 0;
            SRes res = in_[i]->Read(&probe, 1, &n);
            if (res != SZ_OK) return res;
            if (n) return SZ_ERROR_DATA;
        }
        return Bcj2Dec_IsMaybeFinished(&dec_) ? SZ_OK : SZ_ERROR_DATA;
    }

private:
    // The call and jump streams are read in whole 4-byte words.
    SRes Refill(unsigned s, bool* more) {
        Byte* base = buf_[s].data();
        size_t total = 0;
        for (;;) {
            size_t n = 0;
            SRes res = in_[s]->Read(base + total, buf_[s].size() - total, &n);
            if (res != SZ_OK) return res;
            total += n;
            if (n == 0 || !BCJ2_IS_32BIT_STREAM(s) || (total & 3) == 0) break;
        }
        if (BCJ2_IS_32BIT_STREAM(s) && (total & 3)) return SZ_ERROR_DATA;
        dec_.bufs[s] = base;
        dec_.lims[s] = base + total;
        *more = total != 0;
        return SZ_OK;
    }

    std::unique_ptr<ORB7zByteSource> in_[BCJ2_NUM_STREAMS];
    std::vector<Byte> buf_[BCJ2_NUM_STREAMS];
    CBcj2Dec dec_;
    UInt64 left_;
};

bool IsMainMethod(const CSzCoderInfo& c) {
    return c.NumStreams == 1 &&
           (c.MethodID == kCopy || c.MethodID == kLZMA || c.MethodID == kLZMA2 || c.MethodID == kPPMD);
}

bool IsFilter(UInt32 m) {
    switch (m) {
    case kDelta: case kBCJ: case kPPC: case kIA64: case kSPARC: case kARM: case kARMT: case kARM64: case kRISCV:
        return true;
    }
    return false;
}

struct FolderPlan {
    const CSzArEx* db;
    ISeekInStreamPtr stream;
    CSzFolder folder;
    const Byte* props;
    const UInt64* unpackSizes;
    const UInt64* packPositions;
    bool dry = false;  // only whether the graph can be built: nothing allocated

    std::unique_ptr<PackSource> Pack(UInt32 k) const {
        return std::unique_ptr<PackSource>(
            new PackSource(stream, db->dataPos + packPositions[k], packPositions[k + 1] - packPositions[k]));
    }

    SRes Main(UInt32 coder, UInt32 pack, std::unique_ptr<ORB7zByteSource>* out) const {
        const CSzCoderInfo& c = folder.Coders[coder];
        UInt64 size = unpackSizes[coder];
        if (c.MethodID == kCopy) {
            if (packPositions[pack + 1] - packPositions[pack] != size) return SZ_ERROR_DATA;
            if (!dry) out->reset(new CopySource(Pack(pack)));
            return SZ_OK;
        }
        if (c.MethodID == kPPMD) {
            if (dry) return PpmdSource::Check(props + c.PropsOffset, c.PropsSize);
            std::unique_ptr<PpmdSource> ppmd(new PpmdSource(Pack(pack), size));
            SRes res = ppmd->Init(props + c.PropsOffset, c.PropsSize);
            if (res != SZ_OK) return res;
            *out = std::move(ppmd);
            return SZ_OK;
        }
        if (dry) {
            CLzmaProps p;
            if (c.MethodID == kLZMA2) return c.PropsSize == 1 && props[c.PropsOffset] <= 40 ? SZ_OK : SZ_ERROR_UNSUPPORTED;
            return LzmaProps_Decode(&p, props + c.PropsOffset, c.PropsSize) == SZ_OK ? SZ_OK : SZ_ERROR_UNSUPPORTED;
        }
        std::unique_ptr<LzmaSource> lzma(new LzmaSource(Pack(pack), size, c.MethodID == kLZMA2));
        SRes res = lzma->Init(props + c.PropsOffset, c.PropsSize);
        if (res != SZ_OK) return res;
        *out = std::move(lzma);
        return SZ_OK;
    }

    SRes Filter(std::unique_ptr<ORB7zByteSource> in, std::unique_ptr<ORB7zByteSource>* out) const {
        const CSzCoderInfo& c = folder.Coders[1];
        const Byte* p = props + c.PropsOffset;
        UInt32 pc = 0;
        unsigned delta = 0;
        if (c.MethodID == kDelta) {
            if (c.PropsSize != 1) return SZ_ERROR_UNSUPPORTED;
            delta = unsigned(p[0]) + 1;
        } else if (c.MethodID == kARM64 || c.MethodID == kRISCV) {
            if (c.PropsSize == 4)
                pc = GetUi32(p);
            else if (c.PropsSize != 0)
                return SZ_ERROR_UNSUPPORTED;
            if (pc & (c.MethodID == kARM64 ? 3 : 1)) return SZ_ERROR_UNSUPPORTED;
        } else if (c.PropsSize != 0) {
            return SZ_ERROR_UNSUPPORTED;
        }
        if (!dry) out->reset(new FilterSource(std::move(in), c.MethodID, pc, delta));
        return SZ_OK;
    }

    // The coder graphs 7z writes: one coder; a coder and a filter; BCJ2 over three
    // coders and a raw range-coder stream.
    SRes Build(std::unique_ptr<ORB7zByteSource>* out) const {
        const CSzFolder& f = folder;
        if (f.NumCoders < 1 || f.NumCoders > 4 || !IsMainMethod(f.Coders[0])) return SZ_ERROR_UNSUPPORTED;
        if (f.NumCoders == 1) {
            if (f.NumPackStreams != 1 || f.PackStreams[0] != 0 || f.NumBonds != 0) return SZ_ERROR_UNSUPPORTED;
            return Main(0, 0, out);
        }
        if (f.NumCoders == 2) {
            const CSzCoderInfo& c = f.Coders[1];
            if (c.NumStreams != 1 || f.NumPackStreams != 1 || f.PackStreams[0] != 0 || f.NumBonds != 1 ||
                f.Bonds[0].InIndex != 1 || f.Bonds[0].OutIndex != 0 || !IsFilter(c.MethodID))
                return SZ_ERROR_UNSUPPORTED;
            std::unique_ptr<ORB7zByteSource> in;
            SRes res = Main(0, 0, &in);
            if (res != SZ_OK) return res;
            return Filter(std::move(in), out);
        }
        if (f.NumCoders != 4 || !IsMainMethod(f.Coders[1]) || !IsMainMethod(f.Coders[2]) ||
            f.Coders[3].MethodID != kBCJ2 || f.Coders[3].NumStreams != 4 || f.NumPackStreams != 4 ||
            f.PackStreams[0] != 2 || f.PackStreams[1] != 6 || f.PackStreams[2] != 1 || f.PackStreams[3] != 0 ||
            f.NumBonds != 3 || f.Bonds[0].InIndex != 5 || f.Bonds[0].OutIndex != 0 || f.Bonds[1].InIndex != 4 ||
            f.Bonds[1].OutIndex != 1 || f.Bonds[2].InIndex != 3 || f.Bonds[2].OutIndex != 2)
            return SZ_ERROR_UNSUPPORTED;
        // Coder 2 makes the main stream, coder 1 the calls, coder 0 the jumps; packed
        // stream 1 is the range coder's.
        std::unique_ptr<ORB7zByteSource> in[BCJ2_NUM_STREAMS];
        SRes res = Main(2, 0, &in[BCJ2_STREAM_MAIN]);
        if (res == SZ_OK) res = Main(1, 2, &in[BCJ2_STREAM_CALL]);
        if (res == SZ_OK) res = Main(0, 3, &in[BCJ2_STREAM_JUMP]);
        if (res != SZ_OK || dry) return res;
        in[BCJ2_STREAM_RC] = Pack(1);
        out->reset(new Bcj2Source(in, unpackSizes[3]));
        return SZ_OK;
    }
};

// The plan of folder of db, or the failure that its coder list cannot be read.
SRes MakePlan(const CSzArEx* db, UInt32 folder, ISeekInStreamPtr stream, FolderPlan* plan) {
    const CSzAr& ar = db->db;
    if (folder >= ar.NumFolders) return SZ_ERROR_PARAM;
    plan->db = db;
    plan->stream = stream;
    plan->props = ar.CodersData + ar.FoCodersOffsets[folder];
    CSzData sd;
    sd.Data = plan->props;
    sd.Size = ar.FoCodersOffsets[folder + 1] - ar.FoCodersOffsets[folder];
    SRes res = SzGetNextFolderItem(&plan->folder, &sd);
    if (res != SZ_OK) return res;
    if (sd.Size != 0 || plan->folder.UnpackStream != ar.FoToMainUnpackSizeIndex[folder]) return SZ_ERROR_FAIL;
    plan->unpackSizes = ar.CoderUnpackSizes + ar.FoToCoderUnpackSizes[folder];
    plan->packPositions = ar.PackPositions + ar.FoStartPackStreamIndex[folder];
    return SZ_OK;
}

bool Streamable(const CSzArEx* db, UInt32 folder) {
    FolderPlan plan;
    plan.dry = true;
    return MakePlan(db, folder, nullptr, &plan) == SZ_OK && plan.Build(nullptr) == SZ_OK;
}

}  // namespace

std::wstring ORB7zRefusedCoder(const CSzArEx* db, UInt32 folder) {
    FolderPlan plan;
    plan.dry = true;
    if (MakePlan(db, folder, nullptr, &plan) != SZ_OK) return L"(unreadable coder list)";
    static const struct {
        UInt32 id;
        const wchar_t* name;
    } kNames[] = {{kCopy, L"Copy"},   {kDelta, L"Delta"},     {kARM64, L"ARM64"}, {kRISCV, L"RISCV"},
                  {kLZMA2, L"LZMA2"}, {kLZMA, L"LZMA"},       {kPPMD, L"PPMD"},   {kBCJ, L"BCJ"},
                  {kBCJ2, L"BCJ2"},   {kPPC, L"PPC"},         {kIA64, L"IA64"},   {kARM, L"ARM"},
                  {kARMT, L"ARMT"},   {kSPARC, L"SPARC"},     {0x40108, L"Deflate"},
                  {0x40109, L"Deflate64"}, {0x40202, L"BZip2"}, {0x6F10701, L"AES"}};
    wchar_t id[24] = {};
    for (UInt32 k = 0; k < plan.folder.NumCoders; ++k) {
        UInt32 m = plan.folder.Coders[k].MethodID;
        const wchar_t* name = L"unknown";
        for (const auto& n : kNames)
            if (n.id == m) name = n.name;
        bool known = m == kBCJ2 || IsFilter(m) || IsMainMethod(plan.folder.Coders[k]);
        if (known) continue;
        // The system C runtime's formatter: the library's wide printf is 12 KB of every setup.
        _snwprintf(id, sizeof id / sizeof id[0] - 1, L" (%06X)", unsigned(m));
        return name + std::wstring(id);
    }
    return std::wstring();
}

ORB7zFolderStream::ORB7zFolderStream() = default;
ORB7zFolderStream::~ORB7zFolderStream() { ahead_.Stop(); }

SRes ORB7zFolderStream::Open(const CSzArEx* db, UInt32 folder, ISeekInStreamPtr stream) {
    ahead_.Stop();
    top_.reset();
    folder_ = decoding_ = 0xFFFFFFFF;
    db_ = db;
    stream_ = stream;
    SRes res = Prepare(folder);
    if (res != SZ_OK) return res;
    folder_ = folder;
    folderSize_ = size_;
    position_ = 0;
    // The run: this folder and the streamable ones after it.
    UInt64 total = size_;
    for (runEnd_ = folder + 1; runEnd_ < db->db.NumFolders && Streamable(db, runEnd_); ++runEnd_)
        total += SzAr_GetFolderUnpackSize(&db->db, runEnd_);
    // Little in all: a thread would cost more than the overlap gains.
    if (total >= kAheadFrom)
        ahead_.Start([this](Byte* buf, size_t size, size_t* got) { return DecodeRun(buf, size, got); });
    return SZ_OK;
}

SRes ORB7zFolderStream::Prepare(UInt32 folder) {
    top_.reset();
    decoding_ = 0xFFFFFFFF;
    FolderPlan plan;
    SRes res = MakePlan(db_, folder, stream_, &plan);
    if (res != SZ_OK) return res;
    try {
        res = plan.Build(&top_);
    } catch (const std::bad_alloc&) {
        res = SZ_ERROR_MEM;
    }
    if (res != SZ_OK) {
        top_.reset();
        return res;
    }
    const CSzAr& ar = db_->db;
    decoding_ = folder;
    decoded_ = 0;
    size_ = SzAr_GetFolderUnpackSize(&ar, folder);
    checkCrc_ = SzBitWithVals_Check(&ar.FolderCRCs, folder);
    expectedCrc_ = checkCrc_ ? ar.FolderCRCs.Vals[folder] : 0;
    crc_ = CRC_INIT_VAL;
    return SZ_OK;
}

SRes ORB7zFolderStream::Advance(UInt32 folder) {
    if (!Reaches(folder)) return SZ_ERROR_FAIL;
    UInt64 n = folderSize_ - position_;
    for (UInt32 f = folder_ + 1; f < folder; ++f) n += SzAr_GetFolderUnpackSize(&db_->db, f);
    // Much to pass over (a large entry skipped): starting again there decodes none of it.
    if (n > kAheadFrom) return Open(db_, folder, stream_);
    const size_t kPass = size_t(1) << 16;
    if (n && !passBuffer_) passBuffer_.reset(new (std::nothrow) Byte[kPass]);
    if (n && !passBuffer_) return SZ_ERROR_MEM;
    while (n) {
        size_t got = 0;
        SRes res = Pull(passBuffer_.get(), Smaller(kPass, n), &got);
        if (res == SZ_OK && got == 0) res = SZ_ERROR_DATA;
        if (res != SZ_OK) {
            folder_ = 0xFFFFFFFF;
            return res;
        }
        n -= got;
    }
    folder_ = folder;
    folderSize_ = SzAr_GetFolderUnpackSize(&db_->db, folder);
    position_ = 0;
    return SZ_OK;
}

SRes ORB7zFolderStream::Read(Byte* buf, size_t size, size_t* got) {
    *got = 0;
    if (folder_ == 0xFFFFFFFF) return SZ_ERROR_FAIL;
    // Never into the next folder: Advance goes there.
    size = Smaller(size, folderSize_ - position_);
    if (size == 0) return SZ_OK;
    SRes res = Pull(buf, size, got);
    if (res == SZ_OK && *got == 0) res = SZ_ERROR_DATA;
    if (res == SZ_OK) position_ += *got;
    return res;
}

SRes ORB7zFolderStream::Pull(Byte* buf, size_t size, size_t* got) {
    return ahead_.Running() ? ahead_.Read(buf, size, got) : DecodeRun(buf, size, got);
}

SRes ORB7zFolderStream::DecodeRun(Byte* buf, size_t size, size_t* got) {
    for (;;) {
        SRes res = Decode(buf, size, got);
        if (res != SZ_OK || *got != 0) return res;
        if (decoding_ + 1 >= runEnd_) return SZ_OK;  // the end of the run
        res = Prepare(decoding_ + 1);
        if (res != SZ_OK) return res;
    }
}

SRes ORB7zFolderStream::Decode(Byte* buf, size_t size, size_t* got) {
    *got = 0;
    if (!top_) return SZ_ERROR_FAIL;
    size = Smaller(size, size_ - decoded_);
    if (size == 0) return SZ_OK;
    SRes res = top_->Read(buf, size, got);
    if (res != SZ_OK) return res;
    if (*got == 0) return SZ_ERROR_DATA;  // the coders end before the block does
    decoded_ += *got;
    if (checkCrc_) {
        crc_ = CrcUpdate(crc_, buf, *got);
        if (decoded_ == size_ && CRC_GET_DIGEST(crc_) != expectedCrc_) return SZ_ERROR_CRC;
    }
    return SZ_OK;
}
