# Installation and packages, checked by shell scripts against the built tree.
# They carry the label "packaging" (ctest -L packaging runs only them).
foreach(name install package)
  add_test(NAME packaging.${name}
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${name}_test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_SOURCE_DIR})
  set_tests_properties(packaging.${name} PROPERTIES LABELS packaging TIMEOUT 600)
endforeach()
# The portable tarball builds SDL from Debian's source the first time (kept in
# the build tree), then runs the unpacked tree as on a bare machine.
add_test(NAME packaging.portable
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/portable_test.sh ${CMAKE_BINARY_DIR}
                 ${CMAKE_SOURCE_DIR})
set_tests_properties(packaging.portable PROPERTIES LABELS packaging TIMEOUT 2400)
