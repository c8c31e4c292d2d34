# Replays each harness's corpus (fuzz/corpus/<harness>/, seeds and fixed crashes) as a test.
file(GLOB fuzz_harnesses CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzzer.cpp)
foreach(src ${fuzz_harnesses})
  get_filename_component(stem ${src} NAME_WE)
  add_executable(replay_${stem} ${src} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  if(stem MATCHES "^app_")
    target_link_libraries(replay_${stem} PRIVATE ximora_app)
  else()
    target_link_libraries(replay_${stem} PRIVATE ximora_engine)
  endif()
  target_include_directories(replay_${stem} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  add_test(NAME fuzz_replay.${stem}
    COMMAND replay_${stem} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${stem})
endforeach()
