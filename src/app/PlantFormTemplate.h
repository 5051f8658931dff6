#pragma once
// The plant form's dialog template (102): the twelve labels with their first
// texts, in an area large enough for the whole plant; and the clock icon of the
// recording-interval box.
#include "platform/base/WinTypes.h"

constexpr UINT IDD_RUVFRAME_FORM = 102;
constexpr UINT IDC_BATCH_LABEL_MIXER1 = 1041;  // .. Mixer4 at 1044
constexpr UINT IDC_DATA_SOURCE_LABEL = 1045;
constexpr UINT IDC_CAPTION_COLOR = 1047;
constexpr UINT IDC_CAPTION_DM_WATER = 1048;
constexpr UINT IDC_CAPTION_ESSENCE = 1049;
constexpr UINT IDC_REPORT_LABEL = 1053;
constexpr UINT IDC_TITLE_LABEL = 1056;
constexpr UINT IDC_CAPTION_PRESERVATIVE = 1058;
constexpr UINT IDC_CAPTION_LITRON = 1059;
constexpr UINT IDI_RECORD_INTERVAL = 3034;

inline constexpr const char* kPlantFormTitleText = "ZoruVarediz Melot";

// Registers template 102 and icon 3034 (again harmlessly).
void RegisterPlantFormResources();
