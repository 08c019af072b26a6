# Included by CTest after the program tests have been discovered: they take the settings key too.
if(program_tests_TESTS)
  set_tests_properties(${program_tests_TESTS} PROPERTIES RESOURCE_LOCK "appdata;velmora_settings_key")
endif()
