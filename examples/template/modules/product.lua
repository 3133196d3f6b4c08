-- product: who the product is across its versions and where its uninstall entry lives;
-- the part of the lifecycle module the uninstaller needs too.
local M = {}

-- The product's id (global_product_id). A product that has none keeps the entry its
-- earlier versions wrote: the last part of global_uninstall_key, else the display name.
function M.id()
  if type(global_product_id) == "string" and global_product_id ~= "" then return global_product_id end
  local last = type(global_uninstall_key) == "string" and global_uninstall_key:match("\\([^\\]+)$")
  if last then return last end
  return global_product_name
end

local scope = require "scope"

-- Where the uninstall entry lives: HKLM for all users, HKCU for one (the scope module).
function M.root()
  return scope.uninstall_root()
end

-- A value of the uninstall entry, and writing one: in the scope's root and the
-- product's registry view (64-bit for a 64-bit product).
function M.query(name)
  return scope.query(M.entry_key(), name)
end

function M.set(name, kind, data)
  return scope.set(M.entry_key(), name, kind, data)
end

function M.entry_key()
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" .. M.id()
end

-- Removes the uninstall entry, last of an uninstall.
function M.remove_entry()
  return scope.delete(M.entry_key())
end

return M
