# The payload archive <build>/payload/payload.zip (custom target velt_payload),
# packed by tools/pack_payload.py from payload_entries.txt: the calendar, the
# window library, Uninstall's skin archive, Uninstall, all of this build's
# architecture, and res/ from the sources. The window library and Uninstall are
# made in other folders, so the rule is defined at the end of configuration,
# and only when all of their targets exist; a build tree of some folders only
# simply has no velt_payload.
#
# Host-side tests (label "host"): the reproducibility of the pictures and, with
# velt_payload, the real archive's form.

set(VELT_PAYLOAD_ENTRIES ${CMAKE_CURRENT_SOURCE_DIR}/payload_entries.txt)
set(VELT_PAYLOAD_PACKER ${CMAKE_SOURCE_DIR}/tools/pack_payload.py)
set(velt_payload_check ${CMAKE_CURRENT_SOURCE_DIR}/tests/payload_form_test.py)

add_test(NAME payload_art_reproducible
  COMMAND ${VELT_HOST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/tests/art_reproducible_test.py
          ${CMAKE_SOURCE_DIR}/tools/make_payload_art.py ${CMAKE_CURRENT_SOURCE_DIR})
set_tests_properties(payload_art_reproducible PROPERTIES LABELS host)

function(velt_define_payload app_dir entries packer check)
  foreach(t velt_app DuiLibu uninstall_skin Uninstall)
    if(NOT TARGET ${t})
      message(STATUS "velt_payload: no target ${t} in this build tree, so no payload archive")
      return()
    endif()
  endforeach()
  set(out ${CMAKE_BINARY_DIR}/payload/payload.zip)
  set(skin ${CMAKE_BINARY_DIR}/bin/Uninstall.DAT)
  file(GLOB_RECURSE res_files CONFIGURE_DEPENDS ${app_dir}/res/*)
  set(pack_args
    --entries ${entries}
    --set APP=$<TARGET_FILE:velt_app>
    --set DUILIB=$<TARGET_FILE:DuiLibu>
    --set UNINSTALL_SKIN=${skin}
    --set UNINSTALL=$<TARGET_FILE:Uninstall>
    --set RES=${app_dir}/res)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${VELT_HOST_PYTHON} ${packer} ${pack_args} --output ${out}
    DEPENDS ${packer} ${CMAKE_SOURCE_DIR}/tools/zopfli_deflate.py ${entries} ${res_files} ${skin} uninstall_skin
            velt_app DuiLibu Uninstall
            $<TARGET_FILE:velt_app> $<TARGET_FILE:DuiLibu> $<TARGET_FILE:Uninstall>
    COMMENT "Packing the payload archive"
    VERBATIM)
  add_custom_target(velt_payload ALL DEPENDS ${out})
  add_test(NAME payload_form
    COMMAND ${VELT_HOST_PYTHON} ${check} --packer ${packer} --built ${out} ${pack_args})
  set_tests_properties(payload_form PROPERTIES LABELS host)
endfunction()

cmake_language(EVAL CODE "
  cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL velt_define_payload
    [[${CMAKE_CURRENT_SOURCE_DIR}]] [[${VELT_PAYLOAD_ENTRIES}]] [[${VELT_PAYLOAD_PACKER}]]
    [[${velt_payload_check}]])")
