// AString, WString and RawBuffer as scripts see them, run in the engine's interpreter.
#include <windows.h>

#include <cstring>

#include "gtest/gtest.h"
#include "orbscripttest.h"

namespace {

int RawLen(lua_State* L) {
    lua_pushinteger(L, static_cast<lua_Integer>(lua_rawlen(L, 1)));
    return 1;
}

class Types : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lua_register(ScriptState(), "rawlen", RawLen);
        lua_pushinteger(ScriptState(), static_cast<lua_Integer>(sizeof(void*)));
        lua_setglobal(ScriptState(), "pointer_size");
    }
};

TEST_F(Types, ModulesAreGlobalsAndLoadedModulesWithNamedMetatables) {
    EXPECT_EQ("", RunScript(R"(
        for _, name in ipairs{'AString', 'WString', 'RawBuffer', 'DllManager'} do
          eq(type(_G[name]), 'table', name)
          eq(package.loaded[name], _G[name], name .. ' loaded')
        end
        local reg = debug.getregistry()
        eq(getmetatable(AString.New(nil, 'a')), reg.AStringMetaTable, 'AString meta')
        eq(getmetatable(WString.New(nil, 'a')), reg.WStringMetaTable, 'WString meta')
        eq(getmetatable(RawBuffer.New(1)), reg.RawBufferMetaTable, 'RawBuffer meta')
        eq(type(GLibTab), 'table', 'GLibTab')
        eq(getmetatable(GLibTab), reg.GlobalLibTableMetaTable, 'GLibTab meta')
        eq(type(reg.DllManagerMetaTable.Get), 'function', 'Get')
    )"));
}

TEST_F(Types, NewSizesTheBlockFromSizeAndText) {
    EXPECT_EQ("", RunScript(R"(
        local w = WString.New(nil, 'abc')
        eq(rawlen(w), 8, 'capacity 4 units'); eq(#w, 3, 'len'); eq(tostring(w), 'abc', 'text')
        local w10 = WString.New(10)
        eq(rawlen(w10), 20, 'size 10'); eq(#w10, 0, 'empty'); eq(tostring(w10), '', 'empty text')
        eq(WString.New(0), nil, 'size 0'); eq(WString.New(), nil, 'no args')
        eq(WString.New(-3), nil, 'negative size')
        eq(rawlen(WString.New(0, '')), 2, 'one zero unit')
        eq(rawlen(WString.New(0, nil)), 2, 'nil text still makes an object')
        eq(rawlen(AString.New(2, 'hello')), 6, 'text longer than size')
        eq(rawlen(AString.New(10, 'hi')), 10, 'size larger than text')
        eq(AString.New(0), nil, 'AString size 0')
        local cn = WString.New(nil, '中文路径')
        eq(#cn, 4, 'UTF-16 units'); eq(tostring(cn), '中文路径', 'round trip'); eq(cn[1], '文', 'unit')
        eq(tostring(WString.New(nil, 12.5)), '12.5', 'number text')
        eq(tostring(WString.New(nil, {})), '', 'table gives empty text')
        eq(tostring(AString.New(nil, WString.New(nil, 'wide'))), 'wide', 'WString to AString')
        eq(tostring(WString.New(nil, AString.New(nil, 'narrow'))), 'narrow', 'AString to WString')
        eq(#AString.New(nil, 'ab\0cd'), 2, 'length stops at the first zero')
    )"));
}

TEST_F(Types, ElementReadAndWrite) {
    EXPECT_EQ("", RunScript(R"(
        for _, T in ipairs{WString, AString} do
          local s = T.New(nil, 'abc')
          eq(s[0], 'a', '0'); eq(s[2], 'c', '2'); eq(s[3], '', 'terminator'); eq(s[-1], nil, '-1')
          eq(s.foo, 'a', 'non-numeric key reads as 0'); eq(s['2'], 'c', 'numeric string key')
          fails(function() return s[4] end, 'out of range', 'past capacity')
          s[0] = 'xyz'; eq(tostring(s), 'xbc', 'first unit of the value')
          s[3] = 'd'; eq(tostring(s), 'xbc', 'terminator not writable')
          s[1] = ''; eq(tostring(s), 'xbc', 'empty value')
          s[-1] = 'q'; s[10] = 'q'; eq(tostring(s), 'xbc', 'outside')
          s[1] = 7; eq(tostring(s), 'x7c', 'number value'); s[2] = {}; eq(tostring(s), 'x7c', 'table value')
          local spare = T.New(6, 'ab')
          spare[3] = 'z'; eq(tostring(spare), 'ab', 'spare capacity not writable'); eq(spare[5], '', 'spare read')
        end
        local w = WString.New(nil, 'é中')
        w[0] = '文'; eq(tostring(w), '文中', 'wide element write')
    )"));
}

// A byte of 0x80 or above reads as its character in the thread's code page.
TEST_F(Types, NarrowElementAboveAsciiIsTheCodePageCharacter) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << GetACP();
    EXPECT_EQ("", RunScript(R"(
        local s = AString.New(nil, 'aé€')
        eq(#s, 3, 'one byte each'); eq(s[1], 'é', 'byte 0xE9'); eq(s[2], '€', 'byte 0x80')
        eq(tostring(s), 'aé€', 'text')
        s[0] = 'ü'; eq(s[0], 'ü', 'written through the code page')
    )"));
}

TEST_F(Types, EqualityAndConcatenationFollowTheirTypes) {
    EXPECT_EQ("", RunScript(R"(
        local a1, a2 = AString.New(nil, 'abc'), AString.New(5, 'abc')
        local w1, w2 = WString.New(nil, 'abc'), WString.New(nil, 'abc')
        eq(a1 == a2, true, 'AString equal'); eq(w1 == w2, true, 'WString equal')
        eq(a1 == w1, false, 'across types'); eq(a1 == 'abc', false, 'plain string')
        eq(w1 == WString.New(nil, 'abd'), false, 'different'); eq(w1 == WString.New(nil, 'ABC'), false, 'case')
        local wmeta, ameta = getmetatable(w1), getmetatable(a1)
        local r = w1 .. 'x'; eq(getmetatable(r), wmeta, 'W..s'); eq(tostring(r), 'abcx', 'W..s text')
        eq(rawlen(r), 10, 'capacity len+1')
        r = 'x' .. w1; eq(getmetatable(r), wmeta, 's..W'); eq(tostring(r), 'xabc', 's..W text')
        r = a1 .. w1; eq(getmetatable(r), ameta, 'A..W'); eq(tostring(r), 'abcabc', 'A..W text')
        r = w1 .. a1; eq(getmetatable(r), wmeta, 'W..A')
        r = 5 .. a1; eq(getmetatable(r), ameta, 'n..A'); eq(tostring(r), '5abc', 'n..A text')
        r = w1 .. true; eq(tostring(r), 'abc', 'boolean joins as empty')
        eq(tostring(WString.New(nil, '中') .. '文'), '中文', 'wide join')
    )"));
}

TEST_F(Types, BufferAccessorsReadAndWriteEveryWidth) {
    EXPECT_EQ("", RunScript(R"(
        eq(RawBuffer.New(0), nil, 'size 0'); eq(RawBuffer.New(), nil, 'no size')
        eq(RawBuffer.New(-1), nil, 'size -1'); eq(RawBuffer.New(-4096), nil, 'negative size')
        local b = RawBuffer.New(4)
        eq(rawlen(b), 4, 'size'); eq(b:OffsetGetAsUInt32(0), 0, 'zero-filled')
        b:OffsetSetAsInt32(0, -1)
        eq(b:OffsetGetAsUInt32(0), 4294967295, 'u32'); eq(b:OffsetGetAsInt32(0), -1, 'i32')
        eq(b:OffsetGetAsInt16(2), -1, 'i16'); eq(b:OffsetGetAsUInt16(2), 65535, 'u16')
        eq(b:OffsetGetAsInt8(3), -1, 'i8'); eq(b:OffsetGetAsUInt8(3), 255, 'u8')
        eq(b:OffsetGetAsBoolean(0), true, 'bool')

        b = RawBuffer.New(16)
        b:OffsetSetAsUInt32(1, 0x89ABCDEF)
        eq(b:OffsetGetAsUInt32(1), 0x89ABCDEF, 'odd u32'); eq(b:OffsetGetAsInt32(1), 0x89ABCDEF - 4294967296, 'odd i32')
        eq(b:OffsetGetAsUInt8(1), 0xEF, 'little-endian'); eq(b:OffsetGetAsUInt8(4), 0x89, 'high byte')
        eq(b:OffsetGetAsUInt8(0), 0, 'before untouched'); eq(b:OffsetGetAsUInt8(5), 0, 'after untouched')
        b:OffsetSetAsInt32(5, 4294967295); eq(b:OffsetGetAsInt32(5), -1, 'i32 from unsigned text')
        b:OffsetSetAsUInt32(5, -2); eq(b:OffsetGetAsUInt32(5), 4294967294, 'u32 modulo')
        b:OffsetSetAsInt16(9, -2); eq(b:OffsetGetAsUInt16(9), 65534, 'odd i16'); eq(b:OffsetGetAsInt16(9), -2, 'i16')
        b:OffsetSetAsUInt16(9, 70000); eq(b:OffsetGetAsUInt16(9), 4464, 'low 16 bits'); eq(b:OffsetGetAsUInt8(11), 0, 'i16 width')
        b:OffsetSetAsInt8(11, 200); eq(b:OffsetGetAsInt8(11), -56, 'i8 low bits')
        b:OffsetSetAsUInt8(12, -1); eq(b:OffsetGetAsUInt8(12), 255, 'u8'); eq(b:OffsetGetAsUInt8(13), 0, 'u8 width')
        b:OffsetSetAsBoolean(12, 0); eq(b:OffsetGetAsUInt32(12), 1, '0 is true')
        b:OffsetSetAsBoolean(12, false); eq(b:OffsetGetAsBoolean(12), false, 'false')
        b:OffsetSetAsBoolean(12, 'x'); b:OffsetSetAsBoolean(12, nil); eq(b:OffsetGetAsUInt32(12), 0, 'nil')
        eq(b:OffsetGetAsInt32('5'), -2, 'numeric string offset')
    )"));
}

TEST_F(Types, BufferAccessOutsideTheBlockIsAScriptError) {
    EXPECT_EQ("", RunScript(R"(
        local b = RawBuffer.New(8)
        local widths = {Int32 = 4, UInt32 = 4, Int16 = 2, UInt16 = 2, Int8 = 1, UInt8 = 1, Boolean = 4}
        for name, w in pairs(widths) do
          b['OffsetGetAs' .. name](b, 8 - w)
          b['OffsetSetAs' .. name](b, 8 - w, 1)
          fails(function() b['OffsetGetAs' .. name](b, 9 - w) end, 'offset out of range', 'get ' .. name)
          fails(function() b['OffsetSetAs' .. name](b, 9 - w, 1) end, 'offset out of range', 'set ' .. name)
          fails(function() b['OffsetGetAs' .. name](b, -1) end, 'offset out of range', 'negative ' .. name)
          fails(function() b['OffsetGetAs' .. name](b, 2^40) end, 'offset out of range', 'huge ' .. name)
        end
        b:OffsetGetAsPointer(7)
        fails(function() b:OffsetGetAsPointer(8) end, 'offset out of range', 'pointer past end')
        fails(function() b:OffsetSetAsPointer(9 - pointer_size, b) end, 'offset out of range', 'set pointer')
        fails(function() b:OffsetGetAsInt32() end, 'missing', 'no offset')
        fails(function() getmetatable(b).OffsetGetAsInt32(5, 0) end, 'buffer expected', 'not a buffer')
        -- Another kind of userdata is no buffer, as the object or as the copied value.
        local f = io.stdout
        fails(function() b.OffsetSetAsInt32(f, 0, 7) end, 'buffer expected', 'io file written')
        fails(function() b.OffsetGetAsUInt8(f, 0) end, 'buffer expected', 'io file read')
        fails(function() b:OffsetSetAsAString(0, f) end, 'must be a WString', 'io file copied')
    )"));
}

TEST_F(Types, BufferTextAccessors) {
    EXPECT_EQ("", RunScript(R"(
        local b = RawBuffer.New(9)
        for i = 0, 8 do b:OffsetSetAsUInt8(i, 0x41) end
        fails(function() b:OffsetGetAsAString(0) end, 'offset out of range', 'unterminated narrow')
        fails(function() b:OffsetGetAsWString(0) end, 'offset out of range', 'unterminated wide')
        b:OffsetSetAsUInt8(8, 0)
        eq(b:OffsetGetAsAString(5), 'AAA', 'narrow'); eq(b:OffsetGetAsAString(8), '', 'empty')
        b:OffsetSetAsUInt16(1, 0x4E2D); b:OffsetSetAsUInt16(3, 0x0062); b:OffsetSetAsUInt16(5, 0)
        eq(b:OffsetGetAsWString(1), '中b', 'wide at an odd offset')
        eq(b:OffsetGetAsWString(5), '', 'empty wide')
        fails(function() b:OffsetGetAsWString(8) end, 'offset out of range', 'half a unit left')

        -- The whole value block is copied: text, terminator and spare capacity.
        b = RawBuffer.New(8)
        for i = 0, 7 do b:OffsetSetAsUInt8(i, 0xFF) end
        b:OffsetSetAsWString(0, WString.New(nil, 'ab'))
        eq(b:OffsetGetAsWString(0), 'ab', 'copied'); eq(b:OffsetGetAsUInt16(4), 0, 'terminator copied')
        eq(b:OffsetGetAsUInt16(6), 0xFFFF, 'beyond the block untouched')
        b:OffsetSetAsAString(2, AString.New(6, 'xy'))
        eq(b:OffsetGetAsAString(2), 'xy', 'narrow copy'); eq(b:OffsetGetAsUInt8(7), 0, 'spare copied')
        fails(function() b:OffsetSetAsWString(3, WString.New(nil, 'ab')) end, 'offset out of range', 'copy past end')
        eq(b:OffsetGetAsAString(2), 'xy', 'unchanged after a refused copy')
        local src = RawBuffer.New(2); src:OffsetSetAsUInt16(0, 0x1234)
        b:OffsetSetAsWString(6, src); eq(b:OffsetGetAsUInt16(6), 0x1234, 'buffer source')
        b:OffsetSetAsAString(0, b); eq(b:OffsetGetAsUInt16(6), 0x1234, 'copy onto itself')
        fails(function() b:OffsetSetAsWString(0, 'ab') end, 'must be a WString', 'plain string')
        fails(function() b:OffsetSetAsAString(0, 5) end, 'must be a WString', 'number')
    )"));
}

// The pointer getter yields the field's address; the setter stores a pointer value.
TEST_F(Types, PointerGetterAndSetterAreNotInverse) {
    lua_State* L = ScriptState();
    ASSERT_EQ("", RunScript(R"(
        pb = RawBuffer.New(16)
        pfield = pb:OffsetGetAsPointer(3)
        local words = RawBuffer.New(16)
        words:OffsetSetAsPointer(0, pb)
        words:OffsetSetAsPointer(8, pb:OffsetGetAsPointer(0))
        eq(words:OffsetGetAsUInt32(0), words:OffsetGetAsUInt32(8), 'low half')
        eq(words:OffsetGetAsUInt32(4), words:OffsetGetAsUInt32(12), 'high half')
        words:OffsetSetAsPointer(0, 'text'); eq(words:OffsetGetAsUInt32(0), 0, 'other values store 0')
        eq(pb:OffsetGetAsUInt32(3), 0, 'getter reads nothing')
        pwords = words
    )"));
    lua_getglobal(L, "pb");
    char* block = static_cast<char*>(lua_touserdata(L, -1));
    lua_getglobal(L, "pfield");
    EXPECT_EQ(block + 3, lua_touserdata(L, -1));
    lua_getglobal(L, "pwords");
    void* stored = nullptr;
    std::memcpy(&stored, static_cast<char*>(lua_touserdata(L, -1)) + 8, sizeof stored);
    EXPECT_EQ(block, stored);  // every bit of the pointer, also on x86_64
    lua_pop(L, 3);
}

}  // namespace
