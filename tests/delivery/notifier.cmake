# The buyer notifier and the chat sender, driven against the stand-in IM client's service.
if(TARGET standin_im_core)
  quorvel_test(delivery_chat_sender_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ChatSenderTest.cpp
               LIBS quorvel_delivery standin_im_core)
  if(TARGET quorvel_test_loopback)
    quorvel_test(delivery_buyer_notifier_test
                 SOURCES ${CMAKE_CURRENT_LIST_DIR}/BuyerNotifierTest.cpp
                 LIBS quorvel_delivery standin_im_core quorvel_test_loopback)
  endif()
endif()
