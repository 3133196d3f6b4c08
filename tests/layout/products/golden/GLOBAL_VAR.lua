global_greeting = "Hello"
