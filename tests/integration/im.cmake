# The IM road: standin-im for real (registration, chat command line, window service), the
# client located from the registry stand-in, messages sent through the real notifier.
if(TARGET standin-im AND TARGET quorvel_delivery)
  quorvel_test(integration_im_road_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImRoadTest.cpp
               LIBS quorvel_delivery quorvel_platform standin_im_core PkgConfig::CPP_HTTPLIB
               LABELS integration)
  target_include_directories(integration_im_road_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(integration_im_road_test PRIVATE
                             QUORVEL_STANDIN_IM_BINARY="$<TARGET_FILE:standin-im>")
  add_dependencies(integration_im_road_test standin-im)
  quorvel_test(integration_im_road_standin_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImRoadStandinTest.cpp
               LIBS quorvel_platform standin_im_core LABELS integration)
  target_compile_definitions(integration_im_road_standin_test PRIVATE
                             QUORVEL_STANDIN_IM_BINARY="$<TARGET_FILE:standin-im>")
  add_dependencies(integration_im_road_standin_test standin-im)
  if(TARGET quorvel-market)
    target_compile_definitions(integration_im_road_test PRIVATE
                               QUORVEL_MARKET_BINARY="$<TARGET_FILE:quorvel-market>")
    add_dependencies(integration_im_road_test quorvel-market)
  endif()
endif()
