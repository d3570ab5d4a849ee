# The robustness test of the livery readers, with the readers' own sources built under the sanitizers (the
# rest of the program comes from the normal libraries).
skyfill_sanitized_tests(liveries
  SOURCES tests/liveries/LiveryReadersRobustnessTest.cpp liveries/LiveryList.cpp liveries/Regcodes.cpp
  DEPS skyfill_liveries)
