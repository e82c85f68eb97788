# One GET of a 300 KB page over loopback, and 100 sequential GETs.
quorvel_bench(web_http_bench
  SOURCES ${PROJECT_SOURCE_DIR}/bench/HttpFetchBench.cpp
          ${PROJECT_SOURCE_DIR}/tests/web/LoopbackServer.cpp
  LIBS quorvel_web)
target_include_directories(web_http_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
