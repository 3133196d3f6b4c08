-- lang: the language of the product's own texts, chosen by the rule the setup uses for
-- its built-in texts: /LANG=<code> (global_language), else the user's Windows display
-- language, else Simplified Chinese. The product keeps one table of texts per language:
--
--   local T = lang.choose { zh = { hello = "你好" }, en = { hello = "Hello" } }
--
-- Texts the layout shows are script globals named in "$name$" placeholders:
-- lang.publish(table) makes every entry of a table a global of that name. Call both in
-- ORBSE_BeforeInit, after cmdline.run() (which reads /LANG=), before the first dialog.
local M = {}

M.default = "zh"

-- "zh-CN", "zh_TW", "EN", "en-GB", 2052 or "1033" -> "zh" / "en" / other language part.
local function family(code)
  if type(code) == "number" or (type(code) == "string" and code:match("^%d+$")) then
    local primary = math.floor(tonumber(code)) % 1024
    return ({ [4] = "zh", [9] = "en" })[primary]
  end
  if type(code) ~= "string" then return nil end
  local part = code:match("^(%a+)")
  return part and part:lower()
end

local function display_language()
  local k = GLibTab.kernel32
  local f = k and k:Get("GetUserDefaultUILanguage", "uint")
  return f and f() or nil
end

-- The chosen table of tables ({ zh = {...}, en = {...} }) and its key. Sets
-- global_language to the choice, so the setup's built-in texts follow the same one.
function M.choose(tables)
  local code = family(global_language)
  if not (code and tables[code]) then code = family(display_language()) end
  if not (code and tables[code]) then code = M.default end
  global_language = code == "zh" and "zh-CN" or code
  return tables[code] or {}, code
end

function M.publish(texts)
  for name, text in pairs(texts) do _G[name] = text end
end

return M
