# cmake -DORBPACK=<command> -DSTUB=<stub> -DSRC=<tests/pack> -DWORK=<folder> -DSEVENZIP=<7z>
#       -DMODE=prepare|bad|same|sign [-DOTHER=<second command>] [-DOUT=<folder>] [-DPREVIEW=<stub>]
#       -P orbpack-cases.cmake
# prepare: the test product with its archive in <WORK>/product, packed into <OUT> (with
#          its layout preview from PREVIEW).
# bad:     each broken input fails with one line naming the file, and nothing is written.
# same:    packed in two folders, and by OTHER, the setups are byte-identical.
# sign:    --sign signs the uninstaller and the setup; a failing command writes nothing.
cmake_minimum_required(VERSION 3.25)

function(make_product dir)
  file(REMOVE_RECURSE "${dir}")
  file(COPY "${SRC}/product/" DESTINATION "${dir}")
  if(NOT EXISTS "${WORK}/app.7z")
    execute_process(COMMAND "${SEVENZIP}" a -t7z -bd -y "${WORK}/app.7z" . WORKING_DIRECTORY "${SRC}/payload"
                    OUTPUT_QUIET RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "7z failed")
    endif()
  endif()
  file(COPY "${WORK}/app.7z" DESTINATION "${dir}")
endfunction()

# Runs a packer on <dir> into <out>; sets rc and err in the caller.
function(pack cmd dir out)
  file(REMOVE_RECURSE "${out}")
  file(MAKE_DIRECTORY "${out}")
  execute_process(COMMAND ${cmd} --stub "${STUB}" -o "${out}" "${dir}" RESULT_VARIABLE r ERROR_VARIABLE e OUTPUT_QUIET)
  string(STRIP "${e}" e)
  set(rc "${r}" PARENT_SCOPE)
  set(err "${e}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "prepare")
  make_product("${WORK}/product")
  set(cmd "${ORBPACK}")
  if(PREVIEW)
    list(APPEND cmd --preview "${PREVIEW}")
  endif()
  pack("${cmd}" "${WORK}/product" "${OUT}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${err}")
  endif()
  return()
endif()

set(failures 0)
# expect_failure(<case> <expected text in the message> [-o <folder>])
function(expect_failure name needle)
  set(out "${WORK}/${name}-out")
  set(output "${out}")
  if(ARGN)
    set(output "${ARGN}")
  endif()
  file(REMOVE_RECURSE "${out}")
  file(MAKE_DIRECTORY "${out}")
  execute_process(COMMAND ${ORBPACK} --stub "${STUB}" -o "${output}" "${WORK}/${name}"
                  RESULT_VARIABLE r ERROR_VARIABLE e OUTPUT_QUIET)
  string(STRIP "${e}" e)
  file(GLOB left "${out}/*")
  set(why)
  if(r EQUAL 0)
    set(why "succeeded")
  elseif(NOT e MATCHES "${needle}")
    set(why "message lacks '${needle}'")
  elseif(e MATCHES "\n")
    set(why "more than one line")
  elseif(left)
    set(why "left ${left}")
  endif()
  if(why)
    message(SEND_ERROR "${name}: ${why}: ${e}")
  else()
    message(STATUS "${name}: ${e}")
  endif()
endfunction()

function(broken name)
  make_product("${WORK}/${name}")
  set(dir "${WORK}/${name}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "bad")
  broken(unknown_field)
  file(APPEND "${dir}/product.lua" "colour = \"blue\"\n")
  expect_failure(unknown_field "product.lua: unknown field 'colour'")

  broken(missing_field)
  file(READ "${dir}/product.lua" text)
  string(REPLACE "output = \"tiny-setup\"" "" text "${text}")
  file(WRITE "${dir}/product.lua" "${text}")
  expect_failure(missing_field "product.lua: field 'output' is missing")

  broken(description_error)
  file(APPEND "${dir}/product.lua" "output = \n")
  expect_failure(description_error "product.lua:[0-9]+:")

  broken(missing_file)
  file(APPEND "${dir}/product.lua" "scripts = { install = \"nothere.lua\" }\n")
  expect_failure(missing_file "nothere.lua does not exist")

  broken(layout)
  file(WRITE "${dir}/LAYOUT.XML" "<Window>\n  <Label>\n</Window>\n")
  expect_failure(layout "LAYOUT.XML:3: ")

  broken(image)
  file(WRITE "${dir}/images/302.png" "GIF89a, not a PNG at all, though long enough")
  expect_failure(image "302.png: not a PNG image")

  broken(image_name)
  file(WRITE "${dir}/images/logo.png" "x")
  expect_failure(image_name "logo.png: an image is named")

  broken(script)
  file(WRITE "${dir}/INSTSCRIPT.lua" "local a = 1\nfunction (\n")
  expect_failure(script "INSTSCRIPT.lua:2: ")

  broken(module)
  file(WRITE "${dir}/modules/tinymod.lua" "return {\n")
  expect_failure(module "tinymod.lua:[0-9]+: ")

  broken(payload)
  file(WRITE "${dir}/app.7z" "not an archive")
  expect_failure(payload "app.7z: not a 7z archive")

  broken(budget)
  file(APPEND "${dir}/product.lua" "size_budget = 1000\n")
  expect_failure(budget "tiny-setup.exe: [0-9]+ bytes, over its budget")

  broken(stub)
  set(good_stub "${STUB}")
  set(STUB "${WORK}/no-stub.exe")
  expect_failure(stub "no-stub.exe: no such file")
  set(STUB "${SRC}/product/LAYOUT.XML")
  expect_failure(stub "LAYOUT.XML: not a Windows program")
  set(STUB "${good_stub}")

  broken(output)
  expect_failure(output "no/such/folder/tiny-setup[.a-z]*: cannot write" "${WORK}/no/such/folder")

  # The template's own GUID is refused, but for the template packed in place.
  broken(template_guid)
  file(APPEND "${dir}/GLOBAL_VAR.lua" "global_install_mutex_guid = \"Global\\\\{D2A65F1C-3B7E-4C09-8E5A-6F1B2C3D4E50}\"\n")
  expect_failure(template_guid "GLOBAL_VAR.lua: global_install_mutex_guid is the template's")
  pack("${ORBPACK};--allow-template-guid" "${dir}" "${WORK}/template_guid-out")
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "template_guid: --allow-template-guid still refused: ${err}")
  endif()
  return()
endif()

if(MODE STREQUAL "same")
  # Two folders, files copied with their times, packed at different moments.
  make_product("${WORK}/first/product")
  make_product("${WORK}/second/elsewhere")
  pack("${ORBPACK}" "${WORK}/first/product" "${WORK}/first/out")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
  pack("${ORBPACK}" "${WORK}/second/elsewhere" "${WORK}/second/out")
  file(SHA256 "${WORK}/first/out/tiny-setup.exe" a)
  file(SHA256 "${WORK}/second/out/tiny-setup.exe" b)
  if(NOT rc EQUAL 0 OR NOT a STREQUAL b)
    message(FATAL_ERROR "packed in two folders, the setups differ (${err})")
  endif()
  if(OTHER)
    pack("${OTHER}" "${WORK}/second/elsewhere" "${WORK}/other-out")
    file(SHA256 "${WORK}/other-out/tiny-setup.exe" c)
    if(NOT rc EQUAL 0 OR NOT a STREQUAL c)
      message(FATAL_ERROR "the two packers' setups differ (${err})")
    endif()
  endif()
  # Beside the setup: the winget manifest with the setup's hash and the kit's switches
  # and codes, and the detection rule on the uninstall key.
  string(TOUPPER "${a}" hash)
  file(READ "${WORK}/first/out/tiny-setup.winget.yaml" yaml)
  file(READ "${WORK}/first/out/tiny-setup.detection.json" rule)
  foreach(want "PackageIdentifier: \"Tiny.Tiny\"" "PackageVersion: \"2.3.4\"" "Publisher: \"Tiny Maker\""
               "InstallerType: exe" "InstallerSha256: ${hash}" "Scope: user" "Silent: /S"
               "SilentWithProgress: /PASSIVE" "InstallLocation: /D=<INSTALLPATH>" "Log: /LOG=\"<LOGPATH>\""
               "InstallerReturnCode: 1602\n    ReturnResponse: cancelledByUser"
               "InstallerReturnCode: 1618\n    ReturnResponse: installInProgress"
               "InstallerReturnCode: 3010\n    ReturnResponse: rebootRequiredToFinish"
               "ProductCode: \"Tiny\"" "ManifestType: singleton" "ManifestVersion: 1.6.0")
    string(FIND "${yaml}" "${want}" at)
    if(at LESS 0)
      message(FATAL_ERROR "the winget manifest lacks '${want}':\n${yaml}")
    endif()
  endforeach()
  foreach(want "\"keyPath\": \"HKEY_CURRENT_USER\\\\Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Tiny\""
               "\"valueName\": \"DisplayVersion\"" "\"detectionValue\": \"2.3.4\"")
    string(FIND "${rule}" "${want}" at)
    if(at LESS 0)
      message(FATAL_ERROR "the detection rule lacks '${want}':\n${rule}")
    endif()
  endforeach()
  # SOURCE_DATE_EPOCH is the time stamp: a different one, a different file.
  set(ENV{SOURCE_DATE_EPOCH} 1700000000)
  pack("${ORBPACK}" "${WORK}/second/elsewhere" "${WORK}/epoch-out")
  file(SHA256 "${WORK}/epoch-out/tiny-setup.exe" d)
  if(NOT rc EQUAL 0 OR a STREQUAL d)
    message(FATAL_ERROR "SOURCE_DATE_EPOCH did not reach the image (${err})")
  endif()
  message(STATUS "identical: ${a}")
  return()
endif()
if(MODE STREQUAL "sign")
  # A test certificate of its own; the uninstaller is made here (and so signed too).
  execute_process(COMMAND openssl req -x509 -newkey rsa:2048 -nodes -keyout "${WORK}/key.pem"
                          -out "${WORK}/cert.pem" -subj "/CN=ORB Test Signer" -days 2
                          -addext "extendedKeyUsage=codeSigning"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  make_product("${WORK}/product")
  file(READ "${WORK}/product/product.lua" text)
  string(REPLACE "uninstaller = false" "" text "${text}")
  file(WRITE "${WORK}/product/product.lua" "${text}")
  set(out "${WORK}/out")
  file(REMOVE_RECURSE "${out}")
  file(MAKE_DIRECTORY "${out}")
  execute_process(COMMAND ${ORBPACK} --stub "${STUB}" -o "${out}" --sign
                          "osslsigncode sign -certs ${WORK}/cert.pem -key ${WORK}/key.pem -in {file} -out {file}.signed >/dev/null && mv {file}.signed {file}"
                          "${WORK}/product"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "signed packing failed: ${err}")
  endif()
  foreach(f tiny-setup.exe uninst.exe)
    execute_process(COMMAND osslsigncode verify -CAfile "${WORK}/cert.pem" -in "${out}/${f}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE o ERROR_VARIABLE o)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${f} is not signed: ${o}")
    endif()
  endforeach()
  # A failing signing command leaves nothing behind.
  file(REMOVE_RECURSE "${out}")
  file(MAKE_DIRECTORY "${out}")
  execute_process(COMMAND ${ORBPACK} --stub "${STUB}" -o "${out}" --sign "false {file}" "${WORK}/product"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  file(GLOB left "${out}/*")
  if(rc EQUAL 0 OR NOT err MATCHES "signing command failed" OR left)
    message(FATAL_ERROR "a failed signing was not reported as such: ${rc} ${err} ${left}")
  endif()
  message(STATUS "signed: tiny-setup.exe, uninst.exe")
  return()
endif()
message(FATAL_ERROR "MODE must be prepare, bad, same or sign")
