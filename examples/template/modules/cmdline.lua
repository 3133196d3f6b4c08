-- cmdline: the setup's command line, in the two switch styles administrators know.
--
--   /S, /VERYSILENT        silent: no window at all (global_silent_install)
--   /SILENT, /PASSIVE      progress only: the install dialog, nothing asked
--                          (global_passive_install)
--   /SUPPRESSMSGBOXES      no questions: the script takes its default answers
--                          (global_suppress_msgboxes)
--   /D=<folder>            install folder; last on the line, spaces need no quotes
--   /DIR=<folder>          install folder; quoted when it has spaces: /DIR="C:\My App"
--   /LOG[=<file>]          log file (global_log_file); without a name
--                          %TEMP%\<product>_<date>_<time>.log
--   /NORESTART             never restart Windows (global_no_restart); a needed restart
--                          shows as exit code 3010
--   /LANG=<code>           language of the texts (global_language)
--   /?                     the list of switches
--
-- Switch names are case-insensitive; quoted arguments stay whole. A product adds its
-- own switches with cmdline.add before cmdline.run. An unknown switch is a bad command
-- line: a message box in an interactive run, nothing shown otherwise, then the run ends
-- (exit code 87 with standard codes).
local exitcode = require "exitcode"

local M = {}

-- Texts shown to the user; a product may translate them.
M.texts = {
  bad = "Unknown or incomplete command-line switch: %s\n\nRun the setup with /? to see the switches.",
  help_title = "%s setup",
  help_head = "Command-line switches:",
}

local MB_OK, MB_ICONERROR, MB_ICONINFORMATION, MB_SETFOREGROUND = 0, 16, 64, 65536

-- name -> { value = "none" | "required" | "optional", help = text, apply = function(value) }
local switches, order = {}, {}

local function set_silent()
  global_silent_install = true
  global_show_completewindow = false
end

local function set_passive()
  global_passive_install = true
end

local function safe_file_name(text)
  return (tostring(text):gsub('[\\/:%*%?"<>|%c]', "_"))
end

local function default_log_file()
  local temp = os.getenv("TEMP") or Lua_ExpandEnv("%TEMP%")
  return string.format("%s\\%s_%s.log", temp, safe_file_name(global_product_name or "setup"),
                       os.date("%Y%m%d_%H%M%S"))
end

local function install_folder(path)
  -- CommandLineToArgvW reads \" as a quote: /DIR="C:\App\" ends in a stray quote.
  global_install_path = (path:gsub('"$', ""))
end

-- Adds (or replaces) a switch: name without the slash; value "none" (a flag),
-- "required" (/NAME=<value>) or "optional"; apply(value) receives true for a flag;
-- what names the value in the help (default "value").
function M.add(name, value, help, apply, what)
  name = name:upper()
  if not switches[name] then order[#order + 1] = name end
  switches[name] = { value = value, help = help, apply = apply, what = what or "value" }
end

M.add("S", "none", "silent: no window at all", set_silent)
M.add("VERYSILENT", "none", "the same as /S", set_silent)
M.add("SILENT", "none", "progress only: the install window, nothing asked", set_passive)
M.add("PASSIVE", "none", "the same as /SILENT", set_passive)
M.add("SUPPRESSMSGBOXES", "none", "no questions: default answers",
      function() global_suppress_msgboxes = true end)
M.add("D", "required", "install folder (last on the line, no quotes needed)", install_folder, "folder")
M.add("DIR", "required", "install folder (quoted when it has spaces)", install_folder, "folder")
M.add("LOG", "optional", "write a log file (default: in %TEMP%)", function(v)
  global_log_file = v == true and default_log_file() or v
end, "file")
M.add("NORESTART", "none", "never restart Windows", function() global_no_restart = true end)
M.add("LANG", "required", "language of the texts", function(v) global_language = v end, "code")

-- Parses the words after the program name. Answers a list of { name = NAME, value =
-- text or true } of the good switches in command-line order, the first bad word (nil
-- when the line is good) and whether /? was given. Nothing is applied.
function M.parse(words)
  local found, bad, help = {}, nil, false
  for i = 1, #words do
    local word = words[i]
    local name, eq, value = word:match("^/([^=]+)(=?)(.*)$")
    name = name and name:upper()
    local s = name and switches[name]
    local ok = s ~= nil
    if word == "/?" then
      help, ok, s = true, true, nil
    elseif name == "D" and eq == "=" then
      -- As other setups read it: the rest of the line, spaces kept.
      value = table.concat(words, " ", i):sub(4)
      if value ~= "" then found[#found + 1] = { name = name, value = value } end
      bad = bad or (value == "" and word or nil)
      break
    elseif s then
      if s.value == "none" and eq == "=" then ok = false end
      if s.value == "required" and (eq ~= "=" or value == "") then ok = false end
      if ok then
        if eq ~= "=" or value == "" then value = true end
        found[#found + 1] = { name = name, value = value }
      end
    end
    if not ok then bad = bad or word end
  end
  return found, bad, help
end

-- The help text: one line per switch.
function M.help_text()
  local lines = { M.texts.help_head, "" }
  for _, name in ipairs(order) do
    local s = switches[name]
    local shown = "/" .. name
    if s.value == "required" then shown = shown .. "=<" .. s.what .. ">" end
    if s.value == "optional" then shown = shown .. "[=<" .. s.what .. ">]" end
    lines[#lines + 1] = shown .. "\t" .. (s.help or "")
  end
  lines[#lines + 1] = "/?\tthis list"
  return table.concat(lines, "\n")
end

local function unattended()
  return global_silent_install or global_passive_install or global_suppress_msgboxes
end

local function show(text, icon)
  if unattended() then
    for line in (text .. "\n"):gmatch("(.-)\n") do Lua_Logout(line) end
  else
    Lua_MsgBox(text, string.format(M.texts.help_title, global_product_name or ""),
               MB_OK + icon + MB_SETFOREGROUND)
  end
end

-- Reads the setup's command line and applies every switch (the log file first, so it
-- records the rest). /? shows the list and ends the run; a bad line ends it as
-- bad_command_line. Answers the list parse made.
function M.run(argv)
  argv = argv or Lua_GetCommandLineArgv() or {}
  local words = {}
  for i = 2, #argv do words[#words + 1] = argv[i] end
  local found, bad, help = M.parse(words)
  for _, f in ipairs(found) do
    if f.name == "LOG" then switches.LOG.apply(f.value) end
  end
  for _, f in ipairs(found) do
    if f.name ~= "LOG" then switches[f.name].apply(f.value) end
  end
  if #words > 0 then Lua_Logout("command line: " .. table.concat(words, " ")) end
  if help then
    show(M.help_text(), MB_ICONINFORMATION)
    exitcode.quit("help")
  end
  if bad then
    show(string.format(M.texts.bad, bad), MB_ICONERROR)
    exitcode.quit("bad_command_line")
  end
  return found
end

return M
