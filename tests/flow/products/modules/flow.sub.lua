-- A module with a dotted name.
return { value = "dotted" }
