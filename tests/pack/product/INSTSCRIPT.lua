local m = require "tinymod"
function OnInstall() return m.answer end
