#pragma once

// The language a program speaks to its user in: the windows speak Russian, the command-line
// tools the user's own where they know it.
enum class Language { English, Russian };
