# orb_add_setup(<target>
#   PRODUCT_DIR <dir>            folder of the product (see docs/build.md)
#   [OUTPUT_NAME <name>]         file name without .exe (default: the target name)
#   [PAYLOAD_SWITCHES -mx=<0-9>] compression level of the payload (default -mx=7)
#   [RESOURCES <type> <name> <file> ...]  further raw resources, embedded as given (a type
#                                or name of digits alone is a number, as in a resource script)
#   [GLOBAL_VAR <file>] [INSTSCRIPT <file>] [UNINSTSCRIPT <file>]  script sources used
#                                instead of the product folder's (an uninstaller is the
#                                stub packed with the uninstall script as INSTSCRIPT)
#   [LAYOUT <file>]              layout used instead of the product folder's
#   [PAYLOAD_DIR <dir>]          folder packed as the payload instead of <product>/payload
#                                (or a ready .7z archive, taken as it is); may be made at
#                                build time (list what makes it in DEPENDS)
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
# No compiler is involved: the wrapper writes a product description (<target>.pack/
# product.lua in the build folder, every path absolute) and runs the build machine's
# orbpack on the stub of this build (orb_stub). <target> is an imported executable:
# $<TARGET_FILE:<target>>, RUNTIME_OUTPUT_DIRECTORY and add_dependencies work as for a
# linked one (the folder is read at the end of the calling directory); the rule belongs to
# the target <target>_orbpack (build that one for a single setup). Beside each setup
# orbpack writes <name>-preview.exe (target <target>_preview), the layout preview stub
# (orb_preview_stub) with the same resources.
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

# A Lua long string holding `text` as it is (no escapes to get wrong).
function(orb_lua_string out text)
  set(eq "=")
  while(text MATCHES "\\]${eq}\\]")
    string(APPEND eq "=")
  endwhile()
  set(${out} "[${eq}[${text}]${eq}]" PARENT_SCOPE)
endfunction()

# The default window icon, shared by every stub of this build folder: sets <out> to its
# path and defines the target orb_icon that makes it.
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
  # The description's folder holds nothing else, so none of orbpack's default paths
  # (payload/, images/, modules/, ...) is found there: every piece is named below.
  set(pack "${CMAKE_CURRENT_BINARY_DIR}/${target}.pack")
  set(output "${target}")
  if(ARG_OUTPUT_NAME)
    set(output "${ARG_OUTPUT_NAME}")
  endif()
  set(deps)
  orb_lua_string(v "${output}")
  set(desc "-- Written by orb_add_setup(${target}); remade at every configure.\noutput = ${v}\nuninstaller = false\n")

  set(level requireAdministrator)
  if(ARG_EXECUTION_LEVEL)
    set(level "${ARG_EXECUTION_LEVEL}")
  endif()
  if(NOT level MATCHES "^(requireAdministrator|highestAvailable|asInvoker)$")
    message(FATAL_ERROR "orb_add_setup(${target}): EXECUTION_LEVEL must be requireAdministrator, "
                        "highestAvailable or asInvoker, not '${level}'")
  endif()
  string(APPEND desc "execution_level = \"${level}\"\n")

  # Version information: the options, else the global script's lines, else the defaults
  # the product always had (the target's name, 1.0.0, no publisher).
  set(gv "${dir}/GLOBAL_VAR.lua")
  if(ARG_GLOBAL_VAR)
    get_filename_component(gv "${ARG_GLOBAL_VAR}" ABSOLUTE)
  endif()
  foreach(field "name;PRODUCT_NAME;global_product_name;${target}" "version;PRODUCT_VERSION;global_product_version;1.0.0"
                "publisher;PUBLISHER;global_publisher;")
    list(GET field 0 lua_key)
    list(GET field 1 option)
    list(GET field 2 setting)
    list(GET field 3 value_default)
    set(value "${ARG_${option}}")
    if(value STREQUAL "")
      orb_lua_setting(value "${gv}" ${setting})
    endif()
    if(value STREQUAL "")
      set(value "${value_default}")
    endif()
    orb_lua_string(v "${value}")
    string(APPEND desc "${lua_key} = ${v}\n")
  endforeach()
  if(ARG_DESCRIPTION)
    orb_lua_string(v "${ARG_DESCRIPTION}")
    string(APPEND desc "description = ${v}\n")
  endif()

  set(payload_dir "${dir}/payload")
  if(ARG_PAYLOAD_DIR)
    get_filename_component(payload_dir "${ARG_PAYLOAD_DIR}" ABSOLUTE)
  endif()

  string(APPEND desc "scripts = {\n")
  foreach(script "GLOBAL_VAR;global" "INSTSCRIPT;install" "UNINSTSCRIPT;uninstall")
    list(GET script 0 name)
    list(GET script 1 field)
    set(src "${dir}/${name}.lua")
    if(ARG_${name})
      get_filename_component(src "${ARG_${name}}" ABSOLUTE)
    endif()
    if(EXISTS "${src}")
      orb_lua_string(v "${src}")
      string(APPEND desc "  ${field} = ${v},\n")
      list(APPEND deps "${src}")
    endif()
  endforeach()
  string(APPEND desc "}\n")
  if(ARG_PAYLOAD_SIZE_IN_SCRIPTS)
    string(APPEND desc "payload_size_in_scripts = true\n")
  endif()

  string(APPEND desc "modules = {\n")
  foreach(module ${ARG_MODULES})
    get_filename_component(src "${module}" ABSOLUTE)
    get_filename_component(file "${src}" NAME)
    if(NOT file MATCHES "^([A-Za-z0-9_.]+)\\.lua$")
      message(FATAL_ERROR "orb_add_setup(${target}): module ${module} must be named <name>.lua "
                          "(letters, digits, _ and .)")
    endif()
    orb_lua_string(v "${src}")
    string(APPEND desc "  ${v},\n")
    list(APPEND deps "${src}")
  endforeach()
  string(APPEND desc "}\n")

  if(IS_DIRECTORY "${payload_dir}" OR ARG_PAYLOAD_DIR)
    if(NOT ARG_PAYLOAD_DIR)
      file(GLOB_RECURSE payload_files CONFIGURE_DEPENDS "${payload_dir}/*")
      list(APPEND deps ${payload_files})
    elseif(payload_dir MATCHES "\\.7[zZ]$")
      list(APPEND deps "${payload_dir}")  # a ready archive, taken as it is
    endif()
    orb_lua_string(v "${payload_dir}")
    string(APPEND desc "payload = ${v}\n")
    # orbpack writes the archive itself: of 7z's switches the compression level is the
    # one that has a meaning there.
    foreach(sw ${ARG_PAYLOAD_SWITCHES})
      if(sw MATCHES "^-mx=?([0-9])$")
        string(APPEND desc "payload_level = ${CMAKE_MATCH_1}\n")
      else()
        message(FATAL_ERROR "orb_add_setup(${target}): PAYLOAD_SWITCHES: orbpack writes the payload "
                            "archive itself and takes -mx=<0-9> only, not '${sw}'")
      endif()
    endforeach()
    if(ARG_APPEND_PAYLOAD)
      string(APPEND desc "append_payload = true\n")
    endif()
  endif()

  set(layout "${dir}/LAYOUT.XML")
  if(ARG_LAYOUT)
    get_filename_component(layout "${ARG_LAYOUT}" ABSOLUTE)
  endif()
  if(EXISTS "${layout}")
    orb_lua_string(v "${layout}")
    string(APPEND desc "layout = ${v}\n")
    list(APPEND deps "${layout}")
  endif()

  file(GLOB pngs CONFIGURE_DEPENDS "${dir}/images/*.png")
  if(pngs)
    orb_lua_string(v "${dir}/images")
    string(APPEND desc "images = ${v}\n")
    list(APPEND deps ${pngs})
  endif()

  string(APPEND desc "resources = {\n")
  set(extra ${ARG_RESOURCES})
  list(LENGTH extra n)
  while(n GREATER 2)
    list(POP_FRONT extra type name file)
    get_filename_component(file "${file}" ABSOLUTE)
    orb_lua_string(t "${type}")
    orb_lua_string(nm "${name}")
    orb_lua_string(f "${file}")
    string(APPEND desc "  { type = ${t}, name = ${nm}, file = ${f} },\n")
    list(APPEND deps "${file}")
    list(LENGTH extra n)
  endwhile()
  string(APPEND desc "}\n")
  if(ARG_SIZE_BUDGET)
    string(APPEND desc "size_budget = ${ARG_SIZE_BUDGET}\n")
  endif()

  file(MAKE_DIRECTORY "${pack}")
  file(CONFIGURE OUTPUT "${pack}/product.lua" CONTENT "${desc}" @ONLY)

  set(args --stub "$<TARGET_FILE:orb_stub>")
  if(TARGET orb_preview_stub)
    list(APPEND args --preview "$<TARGET_FILE:orb_preview_stub>")
    list(APPEND deps orb_preview_stub)
  endif()
  # The template built in place keeps its placeholder GUID; a copy of it must not.
  if(gv STREQUAL "${PROJECT_SOURCE_DIR}/examples/template/GLOBAL_VAR.lua")
    list(APPEND args --allow-template-guid)
  endif()

  # The programs are imported executables; the rule that writes them is made at the end
  # of the calling directory, once its RUNTIME_OUTPUT_DIRECTORY is known.
  add_executable(${target} IMPORTED GLOBAL)
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}")
  if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    set(out_dir "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  endif()
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${out_dir}"
    ORB_PACK_OUTPUT "${output}" ORB_PACK_FOLDER "${pack}" ORB_PACK_ARGS "${args}"
    ORB_PACK_DEPENDS "${deps};${ARG_DEPENDS}")
  add_dependencies(${target} ${target}_orbpack)
  if(TARGET orb_preview_stub)
    add_executable(${target}_preview IMPORTED GLOBAL)
    add_dependencies(${target}_preview ${target}_orbpack)
  endif()
  cmake_language(EVAL CODE "cmake_language(DEFER CALL orb_pack_setup_rule [[${target}]])")
endfunction()

# The packing rule of an orb_add_setup target, in the folder its caller chose.
function(orb_pack_setup_rule target)
  get_target_property(out_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  get_target_property(output ${target} ORB_PACK_OUTPUT)
  get_target_property(pack ${target} ORB_PACK_FOLDER)
  get_target_property(args ${target} ORB_PACK_ARGS)
  get_target_property(deps ${target} ORB_PACK_DEPENDS)
  set(setup "${out_dir}/${output}.exe")
  set(outputs "${setup}")
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${setup}")
  if(TARGET ${target}_preview)
    list(APPEND outputs "${out_dir}/${output}-preview.exe")
    set_target_properties(${target}_preview PROPERTIES IMPORTED_LOCATION "${out_dir}/${output}-preview.exe")
  endif()
  # The programs are byproducts of a stamp: a DEPENDS on "<dir>/<target>.exe" would be
  # taken for the imported target itself, which depends on this rule.
  set(stamp "${pack}/packed.stamp")
  add_custom_command(OUTPUT "${stamp}" BYPRODUCTS ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out_dir}"
    COMMAND "${ORB_PACK_NATIVE}" ${args} -o "${out_dir}" "${pack}"
    COMMAND ${CMAKE_COMMAND} -E touch "${stamp}"
    DEPENDS "${pack}/product.lua" "${ORB_PACK_NATIVE}" orbpack_native orb_stub ${deps}
    COMMENT "Packing ${target} with orbpack"
    VERBATIM)
  add_custom_target(${target}_orbpack ALL DEPENDS "${stamp}")
  foreach(d ${deps})
    if(TARGET ${d})
      add_dependencies(${target}_orbpack ${d})
    endif()
  endforeach()
endfunction()
