# Table sequences against raw SQLite, the allotment at two stock sizes, a bulk card load.
quorvel_bench(data_tables_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/DataTablesBench.cpp
              LIBS quorvel_data)
