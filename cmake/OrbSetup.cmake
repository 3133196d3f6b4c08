# orb_add_setup(<target>
#   PRODUCT_DIR <dir>            folder of the product (see docs/build.md)
#   [OUTPUT_NAME <name>]         file name without .exe (default: the target name)
#   [PAYLOAD_SWITCHES <sw>...]   7z switches for the payload (default -mx=7)
#   [RESOURCES <type> <name> <file> ...]  further raw resources, embedded as given
#   [GLOBAL_VAR <file>] [INSTSCRIPT <file>] [UNINSTSCRIPT <file>]  script sources used
#                                instead of the product folder's (an uninstaller is the
#                                host built with the uninstall script as INSTSCRIPT)
#   [LAYOUT <file>]              layout used instead of the product folder's
#   [PAYLOAD_DIR <dir>]          folder packed as the payload instead of <product>/payload;
#                                may be made at build time (list what makes it in DEPENDS)
#   [APPEND_PAYLOAD]             store the payload after the image instead of as a
#                                resource (large payloads: the image is mapped whole);
#                                scripts still unpack "App.7z". Sign after the build.
#   [PAYLOAD_SIZE_IN_SCRIPTS]    replace @ORB_PAYLOAD_SIZE@ in the scripts with the
#                                payload's unpacked size in bytes (0 without payload)
#   [DEPENDS <target or file>...]  built before the setup: generated images, payload, an
#                                embedded uninstaller)
#   [MODULES <file.lua>...]      script modules for require "<name>": compiled like the
#                                scripts and stored as LUAMOD/<NAME>.LUAC (the setup's
#                                require reads these only, never the disk)
#   [EXECUTION_LEVEL <level>]    requestedExecutionLevel of the manifest: requireAdministrator
#                                (default, per-machine products), highestAvailable or
#                                asInvoker (per-user products); give an uninstaller the
#                                same level as its setup
#   [SIZE_BUDGET <bytes>]        the build fails when the setup grows beyond this size
#   [PRODUCT_NAME <n>] [PRODUCT_VERSION <v>] [PUBLISHER <p>] [DESCRIPTION <d>]
#                                version information; by default read from the
#                                global_product_name / global_product_version /
#                                global_publisher lines of GLOBAL_VAR.lua; the
#                                description defaults to "<product name> Setup"
#
# Beside each setup it builds <target>_preview (<name>-preview.exe), the layout preview
# with the same resources.
#
# The product folder may hold GLOBAL_VAR.lua, INSTSCRIPT.lua, UNINSTSCRIPT.lua (compiled
# to LUA/<NAME>.LUAC), payload/ (packed to _7Z/APP.7Z), LAYOUT.XML (XML/LAYOUT.XML,
# stored UTF-16LE) and images/<id>.png (PNG/<id>) with optional larger versions
# images/<id>@2x.png (PNG2X/<id>) for high DPI. Each piece is optional.
set(ORB_CMAKE_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(ORB_TOOLS_DIR "${CMAKE_CURRENT_LIST_DIR}/../tools")
find_program(ORB_PYTHON NAMES python3 REQUIRED)
find_program(ORB_7Z NAMES 7z REQUIRED)

function(orb_rc_path out path)
  string(REPLACE "\\" "/" p "${path}")
  set(${out} "\"${p}\"" PARENT_SCOPE)
endfunction()

# Text for a resource script string: quotes doubled, backslashes kept as written.
function(orb_rc_text out text)
  string(REPLACE "\"" "\"\"" t "${text}")
  set(${out} "\"${t}\"" PARENT_SCOPE)
endfunction()

# The string of `name = "..."` in a settings script, or empty.
function(orb_lua_setting out file name)
  set(v "")
  if(EXISTS "${file}")
    file(STRINGS "${file}" lines REGEX "^[ \t]*${name}[ \t]*=[ \t]*\"")
    if(lines)
      list(GET lines 0 line)
      if(line MATCHES "=[ \t]*\"([^\"]*)\"")
        set(v "${CMAKE_MATCH_1}")
      endif()
    endif()
  endif()
  set(${out} "${v}" PARENT_SCOPE)
endfunction()

# VERSIONINFO resource text from the settings script and the explicit options.
function(orb_version_resource out settings target output name version publisher description)
  if(NOT name)
    orb_lua_setting(name "${settings}" global_product_name)
  endif()
  if(NOT version)
    orb_lua_setting(version "${settings}" global_product_version)
  endif()
  if(NOT publisher)
    orb_lua_setting(publisher "${settings}" global_publisher)
  endif()
  if(NOT name)
    set(name "${target}")
  endif()
  if(NOT version)
    set(version "1.0.0")
  endif()
  if(NOT description)
    set(description "${name} Setup")
  endif()
  if(NOT output)
    set(output "${target}")
  endif()
  # Four numbers for the binary fields: the leading digits of each dotted part.
  string(REPLACE "." ";" parts "${version}")
  set(nums)
  foreach(part ${parts})
    if(part MATCHES "^([0-9]+)")
      math(EXPR n "${CMAKE_MATCH_1} % 65536")
    else()
      set(n 0)
    endif()
    list(APPEND nums ${n})
  endforeach()
  list(LENGTH nums count)
  while(count LESS 4)
    list(APPEND nums 0)
    list(LENGTH nums count)
  endwhile()
  list(SUBLIST nums 0 4 nums)
  string(REPLACE ";" "," binary "${nums}")
  foreach(v name version publisher description output)
    orb_rc_text(${v}_rc "${${v}}")
  endforeach()
  string(CONCAT text
    "1 VERSIONINFO\nFILEVERSION ${binary}\nPRODUCTVERSION ${binary}\nFILEFLAGSMASK 0x3F\n"
    "FILEFLAGS 0\nFILEOS 0x40004\nFILETYPE 1\nFILESUBTYPE 0\nBEGIN\n"
    "  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904B0\"\n    BEGIN\n"
    "      VALUE \"CompanyName\", ${publisher_rc}\n"
    "      VALUE \"FileDescription\", ${description_rc}\n"
    "      VALUE \"FileVersion\", ${version_rc}\n"
    "      VALUE \"OriginalFilename\", \"${output}.exe\"\n"
    "      VALUE \"ProductName\", ${name_rc}\n"
    "      VALUE \"ProductVersion\", ${version_rc}\n"
    "    END\n  END\n"
    "  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x409, 1200\n  END\nEND\n")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The default window icon, shared by every setup and the stub of this build folder:
# sets <out> to its path and defines the target orb_icon that makes it.
function(orb_default_icon out)
  set(icon "${CMAKE_BINARY_DIR}/orb_icon.ico")
  if(NOT TARGET orb_icon)
    add_custom_command(OUTPUT "${icon}"
      COMMAND "${ORB_PYTHON}" "${ORB_TOOLS_DIR}/make-icon.py" "${icon}"
      DEPENDS "${ORB_TOOLS_DIR}/make-icon.py")
    add_custom_target(orb_icon DEPENDS "${icon}")
  endif()
  set(${out} "${icon}" PARENT_SCOPE)
endfunction()

function(orb_add_setup target)
  cmake_parse_arguments(ARG "PAYLOAD_SIZE_IN_SCRIPTS;APPEND_PAYLOAD"
    "PRODUCT_DIR;OUTPUT_NAME;GLOBAL_VAR;INSTSCRIPT;UNINSTSCRIPT;LAYOUT;PAYLOAD_DIR;EXECUTION_LEVEL;PRODUCT_NAME;PRODUCT_VERSION;PUBLISHER;DESCRIPTION;SIZE_BUDGET"
    "PAYLOAD_SWITCHES;RESOURCES;DEPENDS;MODULES" ${ARGN})
  if(NOT ARG_PRODUCT_DIR AND NOT ARG_INSTSCRIPT)
    message(FATAL_ERROR "orb_add_setup(${target}): PRODUCT_DIR is required")
  endif()
  if(ARG_PRODUCT_DIR)
    get_filename_component(dir "${ARG_PRODUCT_DIR}" ABSOLUTE)
  else()
    set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}.none")
  endif()
  set(gen "${CMAKE_CURRENT_BINARY_DIR}/${target}.res")
  file(MAKE_DIRECTORY "${gen}")
  set(deps)
  set(appended)

  orb_default_icon(icon)
  orb_rc_path(icon_rc "${icon}")
  # Ids, types and names come from the header the host's code reads them from.
  orb_rc_path(ids_rc "${PROJECT_SOURCE_DIR}/common/utility/orbresourceids.h")
  string(CONCAT rc "#include <windows.h>\n#include ${ids_rc}\n"
         "ORB_IDI_ICON ICON ${icon_rc}\n"
         "ORB_IDD_DIALOG DIALOGEX 0, 0, 187, 98\n"
         "STYLE DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_MINIMIZEBOX | WS_CAPTION | WS_SYSMENU\n"
         "EXSTYLE WS_EX_LAYERED\nCAPTION \"ORBInstaller\"\nCLASS \"Orb_Installer\"\n"
         "FONT 8, \"MS Shell Dlg\", 0, 0, 0x1\nBEGIN\nEND\n"
         "STRINGTABLE\nBEGIN\n  ORB_IDS_TITLE \"ORBInstaller\"\nEND\n")
  list(APPEND deps "${icon}")

  # Manifest: elevation, Common Controls 6, supported systems (so version queries see
  # the real system), long paths, DPI.
  set(ORB_EXECUTION_LEVEL requireAdministrator)
  if(ARG_EXECUTION_LEVEL)
    set(ORB_EXECUTION_LEVEL "${ARG_EXECUTION_LEVEL}")
  endif()
  if(NOT ORB_EXECUTION_LEVEL MATCHES "^(requireAdministrator|highestAvailable|asInvoker)$")
    message(FATAL_ERROR "orb_add_setup(${target}): EXECUTION_LEVEL must be requireAdministrator, "
                        "highestAvailable or asInvoker, not '${ORB_EXECUTION_LEVEL}'")
  endif()
  configure_file("${ORB_CMAKE_DIR}/setup.manifest.in" "${gen}/setup.manifest" @ONLY)
  orb_rc_path(p "${gen}/setup.manifest")
  string(APPEND rc "1 24 ${p}\n")
  list(APPEND deps "${gen}/setup.manifest")

  set(gv "${dir}/GLOBAL_VAR.lua")
  if(ARG_GLOBAL_VAR)
    get_filename_component(gv "${ARG_GLOBAL_VAR}" ABSOLUTE)
  endif()
  orb_version_resource(vi "${gv}" "${target}" "${ARG_OUTPUT_NAME}" "${ARG_PRODUCT_NAME}"
                       "${ARG_PRODUCT_VERSION}" "${ARG_PUBLISHER}" "${ARG_DESCRIPTION}")
  string(APPEND rc "${vi}")

  set(payload_dir "${dir}/payload")
  if(ARG_PAYLOAD_DIR)
    get_filename_component(payload_dir "${ARG_PAYLOAD_DIR}" ABSOLUTE)
  endif()

  foreach(script GLOBAL_VAR INSTSCRIPT UNINSTSCRIPT)
    set(src "${dir}/${script}.lua")
    if(ARG_${script})
      get_filename_component(src "${ARG_${script}}" ABSOLUTE)
    endif()
    if(EXISTS "${src}")
      set(out "${gen}/${script}.LUAC")
      set(in "${src}")
      set(pre)
      if(ARG_PAYLOAD_SIZE_IN_SCRIPTS)
        # Substituted copy named like the source, so the chunk keeps the source's name.
        get_filename_component(name "${src}" NAME)
        set(in "${gen}/${script}.src/${name}")
        set(pre COMMAND ${CMAKE_COMMAND} "-DIN=${src}" "-DOUT=${in}" "-DPAYLOAD=${payload_dir}"
                -P "${ORB_CMAKE_DIR}/PayloadSize.cmake")
      endif()
      add_custom_command(OUTPUT "${out}"
        ${pre}
        COMMAND ${CMAKE_COMMAND} "-DLUAC_EMU=${ORB_LUAC_EMULATOR}" "-DLUAC=${ORB_LUAC_BIN}" "-DIN=${in}"
                "-DOUT=${out}" "-DHEADER=${ORB_CHUNK_HEADER}" -P "${ORB_CMAKE_DIR}/CompileChunk.cmake"
        DEPENDS "${src}" orb_host_luac "${ORB_LUAC_BIN}" "${ORB_CMAKE_DIR}/CompileChunk.cmake" ${ARG_DEPENDS}
        COMMENT "Compiling ${target}/${script}.LUAC")
      orb_rc_path(p "${out}")
      string(APPEND rc "ORB_RN_${script} ORB_RT_LUA ${p}\n")
      list(APPEND deps "${out}")
    endif()
  endforeach()

  if(ARG_MODULES)
    file(MAKE_DIRECTORY "${gen}/modules")
  endif()
  foreach(module ${ARG_MODULES})
    get_filename_component(src "${module}" ABSOLUTE)
    get_filename_component(file "${src}" NAME)
    if(NOT file MATCHES "^([A-Za-z0-9_.]+)\\.lua$")
      message(FATAL_ERROR "orb_add_setup(${target}): module ${module} must be named <name>.lua "
                          "(letters, digits, _ and .)")
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(out "${gen}/modules/${name}.LUAC")
    add_custom_command(OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} "-DLUAC_EMU=${ORB_LUAC_EMULATOR}" "-DLUAC=${ORB_LUAC_BIN}" "-DIN=${src}"
              "-DOUT=${out}" "-DHEADER=${ORB_CHUNK_HEADER}" -P "${ORB_CMAKE_DIR}/CompileChunk.cmake"
      DEPENDS "${src}" orb_host_luac "${ORB_LUAC_BIN}" "${ORB_CMAKE_DIR}/CompileChunk.cmake"
      COMMENT "Compiling ${target} module ${name}")
    orb_rc_path(p "${out}")
    string(APPEND rc "${name}.LUAC ORB_RT_LUAMOD ${p}\n")
    list(APPEND deps "${out}")
  endforeach()

  if(IS_DIRECTORY "${payload_dir}" OR ARG_PAYLOAD_DIR)
    set(payload_files)
    if(NOT ARG_PAYLOAD_DIR)
      file(GLOB_RECURSE payload_files CONFIGURE_DEPENDS "${payload_dir}/*")
    endif()
    set(out "${gen}/APP.7Z")
    set(sw ${ARG_PAYLOAD_SWITCHES})
    add_custom_command(OUTPUT "${out}"
      COMMAND "${ORB_PYTHON}" "${ORB_TOOLS_DIR}/pack-payload.py" "${payload_dir}" "${out}" ${sw}
      DEPENDS ${payload_files} ${ARG_DEPENDS} "${ORB_TOOLS_DIR}/pack-payload.py"
      COMMENT "Packing ${target} payload")
    if(ARG_APPEND_PAYLOAD)
      set(appended "${out}")
      # Its digest goes into the image, where the signature covers it; the setup reads
      # the payload only when it matches.
      set(digest "${gen}/APP.7Z.SHA256")
      add_custom_command(OUTPUT "${digest}"
        COMMAND "${ORB_PYTHON}" "${ORB_TOOLS_DIR}/append-payload.py" --digest "${out}" "${digest}"
        DEPENDS "${out}" "${ORB_TOOLS_DIR}/append-payload.py"
        COMMENT "Digest of ${target} payload")
      orb_rc_path(p "${digest}")
      string(APPEND rc "ORB_RN_PAYLOAD ORB_RT_PAYLOAD_DIGEST ${p}\n")
      list(APPEND deps "${digest}")
    else()
      orb_rc_path(p "${out}")
      string(APPEND rc "ORB_RN_PAYLOAD ORB_RT_7Z ${p}\n")
    endif()
    list(APPEND deps "${out}")
  endif()

  set(layout "${dir}/LAYOUT.XML")
  if(ARG_LAYOUT)
    get_filename_component(layout "${ARG_LAYOUT}" ABSOLUTE)
  endif()
  if(EXISTS "${layout}")
    set(out "${gen}/LAYOUT.XML")
    add_custom_command(OUTPUT "${out}"
      COMMAND "${ORB_PYTHON}" "${ORB_TOOLS_DIR}/layout-utf16.py" "${layout}" "${out}"
      DEPENDS "${layout}" "${ORB_TOOLS_DIR}/layout-utf16.py")
    orb_rc_path(p "${out}")
    string(APPEND rc "ORB_RN_LAYOUT ORB_RT_XML ${p}\n")
    list(APPEND deps "${out}")
  endif()

  file(GLOB pngs CONFIGURE_DEPENDS "${dir}/images/*.png")
  foreach(png ${pngs})
    get_filename_component(id "${png}" NAME_WE)
    # <number>@2x.png: the larger version drawn from 150 % on (PNG2X/<number>).
    set(type ORB_RT_PNG)
    if(id MATCHES "^([0-9]+)@2[xX]$")
      set(id "${CMAKE_MATCH_1}")
      set(type ORB_RT_PNG2X)
    endif()
    if(NOT id MATCHES "^[0-9]+$")
      message(FATAL_ERROR "orb_add_setup(${target}): image ${png} must be named <number>.png or <number>@2x.png")
    endif()
    orb_rc_path(p "${png}")
    string(APPEND rc "${id} ${type} ${p}\n")
    list(APPEND deps "${png}")
  endforeach()

  set(extra ${ARG_RESOURCES})
  list(LENGTH extra n)
  while(n GREATER 2)
    list(POP_FRONT extra type name file)
    get_filename_component(file "${file}" ABSOLUTE)
    orb_rc_path(p "${file}")
    string(APPEND rc "${name} ${type} ${p}\n")
    list(APPEND deps "${file}")
    list(LENGTH extra n)
  endwhile()

  # The host's own texts (a string table per language), last: the LANGUAGE statements
  # in it would apply to the resources after it. One resource script per setup: the
  # linker's merging of two .rsrc sections orders type names differently from Windows.
  set(texts_rc "${PROJECT_SOURCE_DIR}/orbinstaller/orbscriptengine/engine/orbhosttext.rc")
  orb_rc_path(p "${texts_rc}")
  string(APPEND rc "#include ${p}\n")
  list(APPEND deps "${texts_rc}")

  set(rc_file "${gen}/setup.rc")
  file(CONFIGURE OUTPUT "${rc_file}" CONTENT "${rc}" @ONLY)
  set_source_files_properties("${rc_file}" PROPERTIES OBJECT_DEPENDS "${deps}")
  add_executable(${target} WIN32 "${PROJECT_SOURCE_DIR}/orbinstaller/main.cpp" "${rc_file}")
  target_link_libraries(${target} PRIVATE orb_host)
  add_dependencies(${target} orb_icon)
  foreach(d ${ARG_DEPENDS})
    if(TARGET ${d})
      add_dependencies(${target} ${d})
    endif()
  endforeach()
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  endif()
  if(appended)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "${ORB_PYTHON}" "${ORB_TOOLS_DIR}/append-payload.py" "$<TARGET_FILE:${target}>" "${appended}" APP.7Z
      COMMENT "Appending ${target} payload")
  endif()

  if(ARG_SIZE_BUDGET)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} "-DFILE=$<TARGET_FILE:${target}>" "-DBUDGET=${ARG_SIZE_BUDGET}"
              -P "${ORB_CMAKE_DIR}/SizeBudget.cmake"
      VERBATIM)
  endif()

  # The layout preview beside the setup, with the same resources:
  # <name>-preview.exe [--globals] <DlgName> <out.png>
  if(EXISTS "${PROJECT_SOURCE_DIR}/tools/preview/CMakeLists.txt")
    set(preview_name "${target}")
    if(ARG_OUTPUT_NAME)
      set(preview_name "${ARG_OUTPUT_NAME}")
    endif()
    add_executable(${target}_preview "${PROJECT_SOURCE_DIR}/tools/preview/main.cpp" "${rc_file}")
    target_link_libraries(${target}_preview PRIVATE orb_preview)
    add_dependencies(${target}_preview orb_icon)
    foreach(d ${ARG_DEPENDS})
      if(TARGET ${d})
        add_dependencies(${target}_preview ${d})
      endif()
    endforeach()
    set_target_properties(${target}_preview PROPERTIES OUTPUT_NAME "${preview_name}-preview")
  endif()
endfunction()
