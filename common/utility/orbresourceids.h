/* Resource ids, type names and fixed names of a setup image. The resource script the
   build writes (cmake/OrbSetup.cmake) includes this file as well, so it holds only
   preprocessor definitions the resource compiler understands. */
#ifndef ORB_RESOURCE_IDS_H
#define ORB_RESOURCE_IDS_H

#define ORB_IDI_ICON 128   /* window icon */
#define ORB_IDD_DIALOG 129 /* template of every dialog */
#define ORB_IDS_TITLE 128  /* program title string */
/* First string id of the host's own texts; id = base + the ORBText value (orbhosttext.h). */
#define ORB_IDS_HOST_TEXT_BASE 1024

/* Types and names are written bare, as the resource script takes them (quoted names
   there would run into the quoted file name of the line before). */
#define ORB_RT_LUA LUA       /* precompiled scripts */
#define ORB_RT_LUAMOD LUAMOD /* script modules, <module>.LUAC */
#define ORB_RT_PNG PNG       /* skin images, by number */
#define ORB_RT_PNG2X PNG2X   /* their larger versions for high DPI, same number */
#define ORB_RT_XML XML       /* the layout */
#define ORB_RT_7Z _7Z        /* the payload archive */
/* SHA-256 (32 bytes) and size (64-bit little-endian) of a payload stored after the
   image, under the payload's name: inside the image, so the signature covers it. */
#define ORB_RT_PAYLOAD_DIGEST PAYLOADSHA256

#define ORB_RN_GLOBAL_VAR GLOBAL_VAR.LUAC
#define ORB_RN_INSTSCRIPT INSTSCRIPT.LUAC
#define ORB_RN_UNINSTSCRIPT UNINSTSCRIPT.LUAC
#define ORB_RN_LAYOUT LAYOUT.XML
#define ORB_RN_PAYLOAD APP.7Z

#ifndef RC_INVOKED
/* The wide string of a type or name above for the resource API:
   ORB_RES_W(ORB_RT_LUA) is L"LUA", ORB_RES_W(ORB_RN_LAYOUT) is L"LAYOUT.XML". */
#define ORB_RES_STR_(x) #x
#define ORB_RES_WIDE_(x) L##x
#define ORB_RES_WIDE(x) ORB_RES_WIDE_(x)
#define ORB_RES_W(x) ORB_RES_WIDE(ORB_RES_STR_(x))
#endif

#endif
