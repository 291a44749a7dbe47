// libFuzzer supplies main(); the entry point lives in ServiceRequestFuzz.cpp.
