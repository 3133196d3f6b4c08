-- cmdline: the setup's command line, in the two switch styles administrators know.
--
--   /S, /VERYSILENT        silent: no window at all (global_silent_install)
--   /SILENT, /PASSIVE      progress only: the install dialog, nothing asked
--                          (global_passive_install)
--   /SUPPRESSMSGBOXES      no questions: the script takes its default answers
--                          (global_suppress_msgboxes)
--   /D=<folder>            install folder; last on the line, spaces need no quotes
--                          (the rest of the line as it stands, spaces kept)
--   /DIR=<folder>          install folder; quoted when it has spaces: /DIR="C:\My App"
--   /LOG[=<file>]          log file (global_log_file); without a name
--                          %TEMP%\<product>_<date>_<time>.log
--   /NORESTART             never restart Windows (global_no_restart); a needed restart
--                          shows as exit code 3010
--   /LANG=<code>           language of the texts (global_language)
--   /CLOSEAPPLICATIONS     unattended runs close the programs using the product's files
--                          (global_close_applications = true; the default)
--   /NOCLOSEAPPLICATIONS   leave them running: their files are replaced or removed at the
--                          next restart (global_close_applications = false)
--   /FORCECLOSEAPPLICATIONS  close them, and end those that do not close when asked
--                          (global_force_close_applications)
--   /?                     the list of switches
--
-- Switch names are case-insensitive; quoted arguments stay whole. A product adds its
-- own switches with cmdline.add before cmdline.run. An unknown switch is a bad command
-- line: a message box in an interactive run, nothing shown otherwise, then the run ends
-- (exit code 87 with standard codes). So is a folder with a quote, a character no path
-- holds or one of the switches inside it (/DIR="C:\App\" /S reads as the folder
-- C:\App" /S): the line meant something else than it says. A bad line that names a
-- quiet switch anywhere (M.quiet) shows nothing either. The messages follow the language rule of the lang
-- module (/LANG= first, so it is applied before anything is shown).
local exitcode = require "exitcode"
local lang = require "lang"

local M = {}

-- Texts shown to the user, one table per language (lang.choose picks one). A product may
-- add a language here, or replace single texts for every language through M.texts.
M.languages = {
  en = {
    bad = "Unknown or incomplete command-line switch: %s\n\nRun the setup with /? to see the switches.",
    help_title = "%s setup",
    help_head = "Command-line switches:",
    help_self = "this list",
  },
  zh = {
    bad = "未知或不完整的命令行参数：%s\n\n用 /? 运行安装程序可查看所有参数。",
    help_title = "%s 安装程序",
    help_head = "命令行参数：",
    help_self = "显示本列表",
  },
}
M.texts = {}

-- A switch's help or value name: a text, or a table of texts by language.
local function localized(text, code)
  if type(text) ~= "table" then return text end
  return text[code] or text.en or select(2, next(text))
end

local function text(name, code)
  return M.texts[name] or localized(M.languages, code)[name] or M.languages.en[name]
end

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
  -- The host's wide-character environment: os.getenv answers in the ANSI code page,
  -- which cannot hold every folder name (a Chinese account name on an English system).
  local temp = Lua_ExpandEnv("%TEMP%")
  -- Run as SYSTEM, %TEMP% is the Windows temp folder, where every user may create files
  -- (the log's name could be taken first): the log then goes where only administrators
  -- may write.
  if Lua_UsersCanWrite(temp) then temp = Lua_ExpandEnv("%SystemRoot%\\Logs") end
  return string.format("%s\\%s_%s.log", temp, safe_file_name(global_product_name or "setup"),
                       os.date("%Y%m%d_%H%M%S"))
end

local function install_folder(path)
  global_install_path = path
end

-- Switches that ask for a run without windows: a bad line naming one anywhere (even
-- inside a folder) is reported in the log only.
M.quiet = { S = true, VERYSILENT = true, SILENT = true, PASSIVE = true, SUPPRESSMSGBOXES = true }

-- Adds (or replaces) a switch: name without the slash; value "none" (a flag),
-- "required" (/NAME=<value>) or "optional"; apply(value) receives true for a flag;
-- what names the value in the help (default "value"). help and what are texts or
-- tables of texts by language ({ en = "...", zh = "..." }).
function M.add(name, value, help, apply, what)
  name = name:upper()
  if not switches[name] then order[#order + 1] = name end
  switches[name] = { value = value, help = help, apply = apply, what = what or "value" }
end

M.add("S", "none", { en = "silent: no window at all", zh = "静默安装：不显示任何窗口" }, set_silent)
M.add("VERYSILENT", "none", { en = "the same as /S", zh = "同 /S" }, set_silent)
M.add("SILENT", "none", { en = "progress only: the install window, nothing asked",
                          zh = "只显示进度：只有安装窗口，不询问任何问题" }, set_passive)
M.add("PASSIVE", "none", { en = "the same as /SILENT", zh = "同 /SILENT" }, set_passive)
M.add("SUPPRESSMSGBOXES", "none", { en = "no questions: default answers", zh = "不提问：使用默认回答" },
      function() global_suppress_msgboxes = true end)
local folder = { en = "folder", zh = "文件夹" }
M.add("D", "required", { en = "install folder (last on the line, no quotes needed)",
                         zh = "安装目录（放在最后，不需要引号）" }, install_folder, folder)
M.add("DIR", "required", { en = "install folder (quoted when it has spaces)",
                           zh = "安装目录（含空格时加引号）" }, install_folder, folder)
M.add("LOG", "optional", { en = "write a log file (default: in %TEMP%)", zh = "写日志文件（默认在 %TEMP% 中）" },
      function(v) global_log_file = v == true and default_log_file() or v end, { en = "file", zh = "文件" })
M.add("NORESTART", "none", { en = "never restart Windows", zh = "不重新启动 Windows" },
      function() global_no_restart = true end)
M.add("LANG", "required", { en = "language of the texts", zh = "界面语言" },
      function(v) global_language = v end, { en = "code", zh = "代码" })
M.add("CLOSEAPPLICATIONS", "none", { en = "close the programs that use the product's files (default)",
                                     zh = "关闭正在使用产品文件的程序（默认）" },
      function() global_close_applications = true end)
M.add("NOCLOSEAPPLICATIONS", "none", { en = "leave them running: their files change at the next restart",
                                       zh = "不关闭这些程序：其文件在重新启动后更新" },
      function() global_close_applications = false end)
M.add("FORCECLOSEAPPLICATIONS", "none", { en = "close them, ending those that do not close",
                                          zh = "关闭这些程序，无响应的程序将被强制结束" },
      function()
        global_close_applications = true
        global_force_close_applications = true
      end)

-- Byte offsets in line (the command line after the program name) where its words
-- begin, by the splitting rules of CommandLineToArgvW: white space ends a word outside
-- quotes; a quote after an even number of backslashes opens or closes, "" inside
-- quotes is a quote.
local function word_starts(line)
  local starts, i, n = {}, 1, #line
  while true do
    i = line:find("[^ \t]", i)
    if not i then return starts end
    starts[#starts + 1] = i
    local quoted, backslashes = false, 0
    while i <= n do
      local c = line:sub(i, i)
      if c == "\\" then
        backslashes = backslashes + 1
      else
        if c == '"' and backslashes % 2 == 0 then
          if quoted and line:sub(i + 1, i + 1) == '"' then i = i + 1 else quoted = not quoted end
        elseif (c == " " or c == "\t") and not quoted then
          break
        end
        backslashes = 0
      end
      i = i + 1
    end
  end
end

-- The command line after the program name (which ends at its closing quote, or at
-- white space when it is not quoted).
local function arguments(commandline)
  if commandline:sub(1, 1) == '"' then
    local close = commandline:find('"', 2, true)
    return close and commandline:sub(close + 1) or ""
  end
  local space = commandline:find("[ \t]")
  return space and commandline:sub(space) or ""
end

-- The parts of a text that read as switches: words starting with a slash, split at white
-- space and quotes; answers the upper-case name of each (the part before "=").
local function switch_words(text)
  local names = {}
  for part in text:gmatch('[^%s"]+') do
    if part == "/?" then names[#names + 1] = "?" end
    local name = part:match("^/([^=]+)")
    if name then names[#names + 1] = name:upper() end
  end
  return names
end

-- A folder the line cannot have meant: a quote (a stray one from \" or one that ended
-- early), a character no path holds, a colon other than the drive's, or a switch.
local function bad_folder(path)
  local rest = path:gsub("^\\\\%?\\", "")
  if rest:find('[%c<>"|%?%*]') or rest:find(":", 3, true) or rest:sub(1, 1) == ":" then return true end
  for _, name in ipairs(switch_words(path)) do
    if name == "?" or switches[name] then return true end
  end
  return false
end

-- Parses the words after the program name. line, when given, is the command line after
-- the program name as it stands: /D= takes its rest from there (without it, the rest of
-- the words joined by one space). Answers a list of { name = NAME, value = text or true }
-- of the good switches in command-line order, the first bad word (nil when the line is
-- good) and whether /? was given. Nothing is applied.
function M.parse(words, line)
  local found, bad, help = {}, nil, false
  local starts = line and word_starts(line)
  for i = 1, #words do
    local word = words[i]
    local name, eq, value = word:match("^/([^=]+)(=?)(.*)$")
    name = name and name:upper()
    local s = name and switches[name]
    local ok = s ~= nil
    if word == "/?" then
      help, ok, s = true, true, nil
    elseif name == "D" and eq == "=" then
      -- As other setups read it: the rest of the line as it stands, spaces kept. A
      -- splitting that does not match the system's leaves nothing to trust.
      if not line then
        value = table.concat(words, " ", i):sub(4)
      elseif #starts == #words then
        local rest = line:sub(starts[i]):gsub("[ \t]+$", "")
        -- One pair of quotes around the folder or the whole word, as /DIR takes them.
        value = rest:match('^/[dD]="([^"]*)"$') or rest:match('^"/[dD]=([^"]*)"$') or rest:match("^/[dD]=(.*)$") or ""
      else
        value = ""
      end
      if value ~= "" and not bad_folder(value) then
        found[#found + 1] = { name = name, value = value }
      else
        bad = bad or word
      end
      break
    elseif s then
      if s.value == "none" and eq == "=" then ok = false end
      if s.value == "required" and (eq ~= "=" or value == "") then ok = false end
      if name == "DIR" and ok then
        -- CommandLineToArgvW reads \" as a quote: /DIR="C:\App\" ends in a stray quote,
        -- harmless only at the very end of the line.
        if i == #words then value = value:gsub('"$', "") end
        if bad_folder(value) then ok = false end
      end
      if ok then
        if eq ~= "=" or value == "" then value = true end
        found[#found + 1] = { name = name, value = value }
      end
    end
    if not ok then bad = bad or word end
  end
  return found, bad, help
end

-- The help text in a language ("en", "zh", ...): one line per switch.
function M.help_text(code)
  local lines = { text("help_head", code), "" }
  for _, name in ipairs(order) do
    local s = switches[name]
    local shown, what = "/" .. name, localized(s.what, code)
    if s.value == "required" then shown = shown .. "=<" .. what .. ">" end
    if s.value == "optional" then shown = shown .. "[=<" .. what .. ">]" end
    lines[#lines + 1] = shown .. "\t" .. (localized(s.help, code) or "")
  end
  lines[#lines + 1] = "/?\t" .. text("help_self", code)
  return table.concat(lines, "\n")
end

-- Set by run when the line names a quiet switch anywhere, applied or not.
local quiet_line = false

local function unattended()
  return quiet_line or global_silent_install or global_passive_install or global_suppress_msgboxes
end

local function show(message, icon, code)
  if unattended() then
    for line in (message .. "\n"):gmatch("(.-)\n") do Lua_Logout(line) end
  else
    Lua_MsgBox(message, string.format(text("help_title", code), global_product_name or ""),
               MB_OK + icon + MB_SETFOREGROUND)
  end
end

-- Reads the setup's command line and applies every switch (the log file first, so it
-- records the rest). /? shows the list and ends the run; a bad line ends it as
-- bad_command_line. Answers the list parse made.
function M.run(argv, commandline)
  if not argv then
    argv = Lua_GetCommandLineArgv() or {}
    commandline = Lua_GetCommandLine and Lua_GetCommandLine()
  end
  local words = {}
  for i = 2, #argv do words[#words + 1] = argv[i] end
  local line = commandline and arguments(commandline)
  local found, bad, help = M.parse(words, line)
  for _, name in ipairs(switch_words(line or table.concat(words, " "))) do
    if M.quiet[name] then quiet_line = true end
  end
  for _, f in ipairs(found) do
    if f.name == "LOG" then switches.LOG.apply(f.value) end
  end
  for _, f in ipairs(found) do
    if f.name ~= "LOG" then switches[f.name].apply(f.value) end
  end
  if #words > 0 then Lua_Logout("command line: " .. table.concat(words, " ")) end
  -- Only the messages' language: the product's own choice (lang.choose) comes later and
  -- must still see the language the line asked for.
  local asked = global_language
  local _, code = lang.choose(M.languages)
  global_language = asked
  if help then
    show(M.help_text(code), MB_ICONINFORMATION, code)
    exitcode.quit("help")
  end
  if bad then
    show(string.format(text("bad", code), bad), MB_ICONERROR, code)
    exitcode.quit("bad_command_line")
  end
  return found
end

return M
