# One chat message through the stand-in IM client: in-process service, and the real process.
if(TARGET standin_im_core AND TARGET quorvel_delivery)
  quorvel_bench(im_send_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImSendBench.cpp
                LIBS quorvel_delivery quorvel_platform standin_im_core)
  target_compile_definitions(im_send_bench PRIVATE
                             QUORVEL_STANDIN_IM_BINARY="$<TARGET_FILE:standin-im>")
  add_dependencies(im_send_bench standin-im)
endif()
