-- A silent product that ends a program and starts and stops a service; the test names
-- them and the trace file through environment variables.
global_install_mutex_guid = "Local\\orb-process-test-product"
global_silent_install = true
global_show_completewindow = false
global_install_path = "C:\\ORB Process Test"
