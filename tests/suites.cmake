# The suites, one list for both systems: the Linux build runs them under ctest, the Windows build
# cross-builds the same sources against its own platform layer and runs them under Wine.
set(lc_tests ${CMAKE_CURRENT_LIST_DIR})

set(lc_test_support_sources
  ${lc_tests}/support/cp936.cpp
  ${lc_tests}/support/scripted_server.cpp
  ${lc_tests}/support/sockets.cpp
  ${lc_tests}/support/test_certificates.cpp
)
if(WIN32)
  list(APPEND lc_test_support_sources ${lc_tests}/support/child_process_windows.cpp)
else()
  list(APPEND lc_test_support_sources ${lc_tests}/support/child_process.cpp)
endif()

set(lc_suites common_tests http_helper_tests regex_tests submit_tests http_exchange_tests)
set(common_tests_sources
  ${lc_tests}/common/text_search_test.cpp
  ${lc_tests}/common/text_ops_test.cpp
  ${lc_tests}/common/text_differential_test.cpp
  ${lc_tests}/common/marked_text_test.cpp
  ${lc_tests}/common/text_index_test.cpp
)
set(http_helper_tests_sources
  ${lc_tests}/http/utf16_text_test.cpp
  ${lc_tests}/http/header_block_test.cpp
  ${lc_tests}/http/cookie_merge_test.cpp
  ${lc_tests}/http/request_headers_test.cpp
  ${lc_tests}/platform/charset_decoder_test.cpp
  ${lc_tests}/platform/rsa_signature_test.cpp
)
set(regex_tests_sources
  ${lc_tests}/regex/regex_rules_test.cpp
  ${lc_tests}/regex/regex_object_test.cpp
  ${lc_tests}/regex/regex_engine_test.cpp
)
set(submit_tests_sources ${lc_tests}/submit/submit_links_test.cpp)
set(http_exchange_tests_sources
  ${lc_tests}/http/http_wire_test.cpp
  ${lc_tests}/http/http_response_test.cpp
  ${lc_tests}/http/http_failure_test.cpp
  ${lc_tests}/http/http_fault_test.cpp
  ${lc_tests}/http/https_test.cpp
  ${lc_tests}/http/proxy_test.cpp
)

# Adds every suite of the list with `add_suite`, a function of the build's (NAME SOURCES...).
macro(lc_add_suites add_suite)
  foreach(suite IN LISTS lc_suites)
    cmake_language(CALL ${add_suite} ${suite} ${${suite}_sources})
  endforeach()
  target_link_libraries(submit_tests PRIVATE lc_submit)
endmacro()
