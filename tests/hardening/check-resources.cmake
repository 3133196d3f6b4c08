# Checks the manifest and version information of a built setup with 7z's PE reader.
# -DSEVENZIP=<7z> -DEXE=<setup> -DLEVEL=<execution level> -DPRODUCT=<product name>
#   -DDESCRIPTION=<file description>
# 7z puts the language in the path when the resources have more than one (the host's
# texts come in Chinese and English): .rsrc/1033/MANIFEST/1.
execute_process(COMMAND "${SEVENZIP}" x -so -tPE "${EXE}" .rsrc/MANIFEST/1
  OUTPUT_VARIABLE manifest RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR manifest STREQUAL "")
  execute_process(COMMAND "${SEVENZIP}" x -so -tPE "${EXE}" .rsrc/1033/MANIFEST/1
    OUTPUT_VARIABLE manifest RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0 OR manifest STREQUAL "")
  message(FATAL_ERROR "${EXE}: no manifest resource")
endif()
foreach(want
    "<requestedExecutionLevel level=\"${LEVEL}\" uiAccess=\"false\"/>"
    "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""
    "name=\"Microsoft.Windows.GdiPlus\" version=\"1.1.0.0\""   # never searched for beside the setup
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"   # Windows 7
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"   # Windows 10 and 11
    ">true</longPathAware>" ">true/pm</dpiAware>" ">PerMonitorV2, PerMonitor</dpiAwareness>")
  string(FIND "${manifest}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${EXE}: manifest lacks ${want}")
  endif()
endforeach()
execute_process(COMMAND "${SEVENZIP}" l -tPE "${EXE}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
foreach(want "ProductName: ${PRODUCT}" "FileDescription: ${DESCRIPTION}" "ProductVersion: "
             "CompanyName: " "/version.txt")
  string(FIND "${listing}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${EXE}: version information lacks '${want}'")
  endif()
endforeach()
message(STATUS "${EXE}: ${LEVEL}, version information of ${PRODUCT}")
