// Identifiers of the resources in the language modules: dialog templates,
// the icon, strings and the controls inside the templates. Plain macros, so
// the resource compiler reads this file as well as the C++ compiler.
#pragma once

// Dialog templates.
#define IDD_MAIN_WINDOW 8193
#define IDD_SONG_INFO_DIALOG 8200
#define IDD_DEVICE_DIALOG 9474
#define IDD_SYNC_MODE_DIALOG 9475
#define IDD_LANGUAGE_DIALOG 9478

// The main window's icon.
#define IDI_MAIN_ICON 50

// Strings.
#define IDS_CAPTION 8193
#define IDS_IN_SYNC_MODE_NONE 8257
#define IDS_IN_SYNC_MODE_CLOCK 8258
#define IDS_IN_SYNC_MODE_TIME_CODE 8259
#define IDS_OUT_SYNC_MODE_NONE 8260
#define IDS_OUT_SYNC_MODE_CLOCK 8261
#define IDS_OUT_SYNC_MODE_MTC24 8262
#define IDS_OUT_SYNC_MODE_MTC25 8263
#define IDS_OUT_SYNC_MODE_MTC2997 8264
#define IDS_OUT_SYNC_MODE_MTC30 8265
#define IDS_END_TIME_TICKS 8273
#define IDS_END_TIME_FRAMES 8274
#define IDS_PLAYING_TIME 8275
#define IDS_SMF_FORMAT 8276
#define IDS_TIME_MODE_TPQN 8278
#define IDS_TIME_MODE_24 8279
#define IDS_TIME_MODE_25 8280
#define IDS_TIME_MODE_2997 8281
#define IDS_TIME_MODE_30 8282
#define IDS_RESOLUTION_TPQN 8283
#define IDS_RESOLUTION_FRAMES 8284
#define IDS_OUTPUT_OPEN_FAILED 8323
#define IDS_INPUT_OPEN_FAILED 8324
#define IDS_NO_INPUT_SELECTED 8325
#define IDS_NO_OUTPUT_SELECTED 8326
#define IDS_NO_PATTERN_LOADED 8327
#define IDS_FILE_LOAD_FAILED 8328
#define IDS_FRAME_TIME_BASE 8330
#define IDS_CLOCK_CREATE_FAILED 8331
#define IDS_NO_IN_SYNC_MODE_SELECTED 8337
#define IDS_NO_OUT_SYNC_MODE_SELECTED 8338
#define IDS_SETTINGS_NOT_SAVED 8340
#define IDS_LANGUAGE_NEXT_START 8343

// Main window controls. A drum group's controls carry the group g (1..7)
// in bits 4..7: check box 13841 + 16 * (g - 1), level edit one more, its
// up-down control two more.
#define IDC_PATCH_LIST 13060
#define IDC_PATTERN_LIST 13316
#define IDC_TEMPO_TEXT 13651
#define IDC_TEMPO_SCROLL 13652
#define IDC_TEMPO_INTERNAL_RADIO 13654
#define IDC_TEMPO_FOLLOW_RADIO 13655
#define IDC_GROUP_CHECK_FIRST 13841
#define IDC_GROUP_LEVEL_EDIT_FIRST 13842
#define IDC_GROUP_LEVEL_SPIN_FIRST 13843
#define IDC_GROUP_STRIDE 16
// Start, Stop and Continue are also the commands the MIDI input thread
// posts, as if the button had been pressed.
#define IDC_START_BUTTON 14593
#define IDC_STOP_BUTTON 14594
#define IDC_CONTINUE_BUTTON 14595
#define IDC_SYNC_START_CHECK 14596
#define IDC_SYNC_STOP_CHECK 14597
#define IDC_DEVICE_BUTTON 14598
#define IDC_SYNC_MODE_BUTTON 14600
#define IDC_LANGUAGE_BUTTON 14602
#define IDC_EXIT_BUTTON 14603

// Song information dialog.
#define IDC_TITLE_TEXT 16897
#define IDC_SUB_TITLE_TEXT 16898
#define IDC_COPYRIGHT_TEXT 16899
#define IDC_COMMENT_TEXT 16900
#define IDC_DURATION_TEXT 16904
#define IDC_END_TIME_TEXT 16905
#define IDC_FORMAT_TEXT 16912
#define IDC_TRACK_COUNT_TEXT 16913
#define IDC_TIME_MODE_TEXT 16914
#define IDC_RESOLUTION_TEXT 16915

// Device, sync-mode and language dialogs.
#define IDC_MIDI_IN_LIST 17409
#define IDC_MIDI_OUT_LIST 17410
#define IDC_MIDI_THRU_CHECK 17411
#define IDC_IN_SYNC_MODE_LIST 17921
#define IDC_OUT_SYNC_MODE_LIST 17922
#define IDC_USER_INTERFACE_COMBO 18673
#define IDC_TEXT_ENCODING_COMBO 18674

