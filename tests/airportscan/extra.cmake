# The airport-scan tests write scenery files with the BGL writer of tools/bglgen.
if(TARGET test_airportscan)
  target_link_libraries(test_airportscan PRIVATE skyfill_bglwriter)
endif()
# The corpus of damaged scenery files and manifests, with the scan's decoders built under the sanitizers.
skyfill_sanitized_tests(airportscan
  SOURCES tests/airportscan/CorpusTest.cpp airportscan/BglDecoder.cpp airportscan/ManifestParse.cpp
  DEPS fmt::fmt nlohmann_json::nlohmann_json)
