# The settings store and the IM client's location.
quorvel_test(data_settings_store_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsStoreTest.cpp
             LIBS quorvel_data)
quorvel_test(data_im_client_locator_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImClientLocatorTest.cpp LIBS quorvel_data)
