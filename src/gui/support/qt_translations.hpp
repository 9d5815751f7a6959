#pragma once

namespace kvx {

/// Loads Qt's own texts (its colour, font and file dialogs, the buttons of
/// message boxes) in the program's language: 0 German, 1 English, 2 Spanish.
/// English needs none; where the translations are not installed Qt's
/// dialogs stay English. Returns true when the texts for language are in use.
bool UseQtTranslations(int language);

}  // namespace kvx
