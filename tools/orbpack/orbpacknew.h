// A new product folder from the kit's template, with identities of its own.
#ifndef ORB_PACK_NEW_H
#define ORB_PACK_NEW_H

#include <filesystem>
#include <string>

// The single-instance GUID the template ships with; a product that still has it would
// block every other product made from the template (and be blocked by them).
extern const char kOrbPackTemplateGuid[];

// Copies the template folder to `folder` (which must not exist, or be empty) and gives
// the copy a fresh GUID wherever the template has its placeholder. False with
// "<folder>: <reason>" when the template is missing or a file cannot be written.
bool OrbPackNewProduct(const std::filesystem::path& templ, const std::filesystem::path& folder,
                       std::string& error);

// A random GUID in registry form, "{8-4-4-4-12}", upper case.
std::string OrbPackNewGuid();

#endif
