# Delivery: page reading (realistic and near-miss pages) and one whole pass against the
# simulated marketplace.
if(TARGET quorvel_delivery)
  quorvel_bench(delivery_reader_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryReaderBench.cpp
                LIBS quorvel_delivery)
  target_include_directories(delivery_reader_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
if(TARGET quorvel_delivery AND TARGET quorvel-market)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  quorvel_bench(delivery_pass_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/DeliveryPassBench.cpp
                LIBS quorvel_delivery PkgConfig::CPP_HTTPLIB)
  target_include_directories(delivery_pass_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests
                             ${PROJECT_SOURCE_DIR}/tests/integration)
  target_compile_definitions(delivery_pass_bench PRIVATE
                             QUORVEL_MARKET_BINARY="$<TARGET_FILE:quorvel-market>")
  add_dependencies(delivery_pass_bench quorvel-market)
endif()
