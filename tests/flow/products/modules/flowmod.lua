-- An embedded module.
return { value = "embedded" }
