-- Module test product: records what require finds. Beside the copied setup the test
-- plants flowmod.lua and planted.lua, which must never be read.
trace("INSTSCRIPT")
local m = require "flowmod"
trace("flowmod=" .. m.value)
trace("same=" .. tostring(require("flowmod") == m))
trace("sub=" .. require("flow.sub").value)
package.preload.kept = function(name) return { value = "preload " .. name } end
trace("kept=" .. require("kept").value)
local ok, err = pcall(require, "planted")
trace("planted=" .. tostring(ok))
trace("message=" .. tostring(err):gsub("\n", " "))
trace("path=[" .. package.path .. "][" .. package.cpath .. "] searchers=" .. #package.searchers)
global_silent_install = true
