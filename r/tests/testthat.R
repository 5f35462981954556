library(testthat)
library(morvane)

test_check("morvane")
