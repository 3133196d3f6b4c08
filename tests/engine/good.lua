engine_test_from_resource = "loaded"
