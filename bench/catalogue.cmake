# The catalogue pages at a seller's scale: the stock entry, the stock list and the delivered grid.
if(QUORVEL_WITH_QT AND TARGET quorvel_catalogue)
  quorvel_bench(catalogue_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/CatalogueBench.cpp
                LIBS quorvel_catalogue)
endif()
