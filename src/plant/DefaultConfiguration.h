#pragma once
// The plant's default configuration, made from the plant model's own tables:
// the settings file (the application's priority and recording interval, and
// one section per device binding the values and commands Demo writes, and the
// general data's flags, to tags) and the tag file with one internal tag of
// the attribute's type per bound name. Feedbacks stay unbound, so they follow
// their commands. tools/ruv_make_defaults writes both; the committed files in
// data/ are its output.
#include <string>

// The settings file's text ("Qelo-Setting.ini").
std::string MakeDefaultSettingsText();
// The tag file's text ("Qelo-DCTags.dct").
std::string MakeDefaultTagFileText();
