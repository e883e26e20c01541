// Binding of the optional opening-classification library (libecco.so).
#pragma once

#include <string>

// The program's private library folder of an installed copy, from the folder
// of the executable (ending in '/'); the result ends in '/'.
std::string PrivateLibraryFolder(const std::string& exeFolder);
// Loads the library from the executable's folder, then from the private
// library folder. A missing library or entry disables classification silently.
void LoadEccoLibrary(const std::string& exeFolder);
void UnloadEccoLibrary();
bool EccoLoaded();
// Selects the script of the names: traditional when true.
void EccoInitOpenVar(bool traditional);
// Classifies a string of WXF moves (four characters per move, at most 20 moves).
// Returns false when the library is not loaded.
bool EccoClassify(const std::string& wxfMoves, std::string& code, std::string& opening,
                  std::string& variation);
