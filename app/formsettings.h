// Settings of the controls that every job window inherits from TBaseForm.
#pragma once

#include <string>

class TBaseForm;
class TIniFile;

// The record option check boxes, kept in the window's own section. The CBL-to-any
// window has no "file name as title" box, hence the flag.
void LoadOptionBoxes(TBaseForm& form, const TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle);
void SaveOptionBoxes(const TBaseForm& form, TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle);
