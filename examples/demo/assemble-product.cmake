# cmake -DOUT=<folder> -DDEMO=<examples/demo> -DTEMPLATE=<examples/template> -DSKIN=<skin folder>
#       -DPAYLOAD=<payload folder> -DDESCRIPTION=<product.lua> -P assemble-product.cmake
# The sample as one product folder, the form orbpack takes (tools/demo.sh, tests/pack).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/images")
file(COPY "${DEMO}/GLOBAL_VAR.lua" "${DEMO}/LAYOUT.XML" "${TEMPLATE}/INSTSCRIPT.lua" "${TEMPLATE}/UNINSTSCRIPT.lua"
     "${TEMPLATE}/modules" DESTINATION "${OUT}")
file(GLOB pngs "${SKIN}/*.png")
file(COPY ${pngs} DESTINATION "${OUT}/images")
file(COPY "${PAYLOAD}/" DESTINATION "${OUT}/payload")
file(COPY_FILE "${DESCRIPTION}" "${OUT}/product.lua")
