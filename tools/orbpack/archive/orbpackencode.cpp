#include "orbpackencode.h"

#include <cstring>

#include "7zCrc.h"
#include "Alloc.h"
#include "Bra.h"
#include "Lzma2Enc.h"
#include "orbpackio.h"

namespace {

// Each stream below is reached from the SDK through its first member, vt.
constexpr size_t kBufferSize = size_t(1) << 20;

// The block's files as one stream, each checked against the size it was listed with.
struct FilesReader {
    ISeqInStream vt;
    OrbPackBlock* block;
    size_t index = 0;
    OrbPackFile file;
    uint64_t left = 0;  // of the current file
    uint32_t crc = 0;
    std::string error;

    SRes Read(void* buf, size_t* size) {
        size_t want = *size;
        *size = 0;
        while (want > 0) {
            if (!file) {
                if (index == block->files.size()) return SZ_OK;
                const OrbPackEntry* e = block->files[index];
                file = OrbPackOpen(e->source, "rb");
                if (!file) return Fail("cannot be opened");
                left = e->size;
                crc = CRC_INIT_VAL;
            }
            size_t n = 0;
            if (left > 0) {
                n = std::fread(buf, 1, size_t(left < want ? left : want), file.get());
                if (n == 0) return Fail(std::ferror(file.get()) ? "cannot be read" : "became shorter while being packed");
            } else {
                // The file must end where it was listed to end.
                if (std::fgetc(file.get()) != EOF) return Fail("became longer while being packed");
                block->crcs.push_back(CRC_GET_DIGEST(crc));
                file.reset();
                ++index;
                continue;
            }
            crc = CrcUpdate(crc, buf, n);
            left -= n;
            buf = static_cast<char*>(buf) + n;
            want -= n;
            *size += n;
            // Return what there is; the encoder asks again.
            break;
        }
        return SZ_OK;
    }

    SRes Fail(const char* why) {
        error = OrbPackDisplay(block->files[index]->source) + ": " + why;
        return SZ_ERROR_READ;
    }

    static SRes ReadFn(ISeqInStreamPtr p, void* buf, size_t* size) {
        return reinterpret_cast<FilesReader*>(const_cast<ISeqInStream*>(p))->Read(buf, size);
    }
};

// The x86 filter over another stream. The converter leaves the last few bytes of a
// buffer for the next call (an instruction may straddle it); at the end they pass
// as they are, as 7-Zip's filter coder does.
struct X86Filter {
    ISeqInStream vt;
    ISeqInStreamPtr source;
    std::vector<unsigned char> buf = std::vector<unsigned char>(kBufferSize);
    size_t start = 0, ready = 0, fill = 0;
    UInt32 pc = 0, state = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
    bool end = false;

    SRes Read(void* out, size_t* size) {
        while (start == ready) {
            if (end) {
                *size = 0;
                return SZ_OK;
            }
            std::memmove(buf.data(), buf.data() + start, fill - start);
            fill -= start;
            ready -= start;
            start = 0;
            size_t n = buf.size() - fill;
            SRes res = ISeqInStream_Read(source, buf.data() + fill, &n);
            if (res != SZ_OK) return res;
            if (n == 0) end = true;
            fill += n;
            Byte* done = z7_BranchConvSt_X86_Enc(buf.data() + ready, fill - ready, pc, &state);
            size_t processed = size_t(done - (buf.data() + ready));
            pc += UInt32(processed);
            ready = end ? fill : ready + processed;
        }
        size_t n = ready - start < *size ? ready - start : *size;
        std::memcpy(out, buf.data() + start, n);
        start += n;
        *size = n;
        return SZ_OK;
    }

    static SRes ReadFn(ISeqInStreamPtr p, void* buf, size_t* size) {
        return reinterpret_cast<X86Filter*>(const_cast<ISeqInStream*>(p))->Read(buf, size);
    }
};

struct FileWriter {
    ISeqOutStream vt;
    std::FILE* file;
    uint64_t written = 0;
    bool failed = false;

    static size_t WriteFn(ISeqOutStreamPtr p, const void* data, size_t size) {
        FileWriter* w = reinterpret_cast<FileWriter*>(const_cast<ISeqOutStream*>(p));
        size_t n = std::fwrite(data, 1, size, w->file);
        w->written += n;
        if (n != size) w->failed = true;
        return n;
    }
};

struct EncoderHandle {
    CLzma2EncHandle p = Lzma2Enc_Create(&g_Alloc, &g_BigAlloc);
    ~EncoderHandle() {
        if (p) Lzma2Enc_Destroy(p);
    }
};

}  // namespace

bool OrbPackEncodeBlock(OrbPackBlock& block, int level, std::FILE* out, const std::string& outName,
                        std::string& error) {
    CrcGenerateTable();
    EncoderHandle enc;
    if (!enc.p) {
        error = "out of memory for the encoder";
        return false;
    }
    CLzma2EncProps props;
    Lzma2EncProps_Init(&props);
    props.lzmaProps.level = level;
    props.lzmaProps.reduceSize = block.unpackSize;
    // One solid LZMA2 stream; the match finder runs in a second thread, which does not
    // change the output (block threads would).
    props.lzmaProps.numThreads = 2;
    props.blockSize = LZMA2_ENC_PROPS_BLOCK_SIZE_SOLID;
    props.numBlockThreads_Max = 1;
    props.numBlockThreads_Reduced = 1;
    props.numTotalThreads = 2;
    if (Lzma2Enc_SetProps(enc.p, &props) != SZ_OK) {
        error = "bad compression settings";
        return false;
    }
    Lzma2Enc_SetDataSize(enc.p, block.unpackSize);
    block.lzma2Prop = Lzma2Enc_WriteProperties(enc.p);

    FilesReader files;
    files.vt.Read = FilesReader::ReadFn;
    files.block = &block;
    block.crcs.clear();
    X86Filter filter;
    filter.vt.Read = X86Filter::ReadFn;
    filter.source = &files.vt;
    FileWriter writer;
    writer.vt.Write = FileWriter::WriteFn;
    writer.file = out;

    ISeqInStreamPtr in = block.x86 ? &filter.vt : &files.vt;
    SRes res = Lzma2Enc_Encode2(enc.p, &writer.vt, nullptr, nullptr, in, nullptr, 0, nullptr);
    if (!files.error.empty()) {
        error = files.error;
        return false;
    }
    if (writer.failed || res == SZ_ERROR_WRITE) {
        error = outName + ": cannot be written";
        return false;
    }
    if (res != SZ_OK) {
        error = res == SZ_ERROR_MEM ? "out of memory for the encoder" : "the encoder failed";
        return false;
    }
    block.packSize = writer.written;
    return true;
}
