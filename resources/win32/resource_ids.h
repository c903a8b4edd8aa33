// Numbers of the Windows wizard's resources beyond the string table (resources/string_ids.h): the
// dialogs, the pictures and the controls of each dialog. Shared by the resource generator, which
// writes the dialogs, and by the dialog procedures that drive them; plain defines, so that the
// generated resource scripts can use them too.
#pragma once

// Dialogs: the About box, the host window, the nine pages (their ids are the pages' ids) and the
// please-wait box.
#define IDD_ABOUT 100
#define IDD_HOST 102
#define IDD_WAIT_BOX 138

// Pictures.
#define IDI_PROGRAM 128
#define IDI_ADD_REGIONS 134
#define IDI_DESKTOP 138
#define IDI_REMOVE 139
#define IDI_BROWSE 140
#define IDI_UNIT 143
#define IDI_ARROW_RIGHT 144
#define IDI_ARROW_LEFT 145
#define IDI_MAP 130
#define IDB_HEADER 131
#define IDR_WAIT_ANIMATION 143
// Every text of the dialogs by key ("129.hint", "sheet.next"), in the lines of a texts file: what
// the pages set at run time comes from here, in the language of the resources.
#define IDR_TEXTS 1
#define RT_TEXTS_NAME "TEXTS"

// The bottom line of every page ("Click Next button ...").
#define IDC_HINT 1003

// Welcome (129) and conversion mode (130).
#define IDC_INTRO 1020
#define IDC_QUESTION 1021
#define IDC_CHOICE_FIRST 1022  // the radio group: 1022, 1023, 1024 in order
#define IDC_CHOICE_SECOND 1023
#define IDC_CHOICE_THIRD 1024

// Unit and card connection (137, 140): IDC_INTRO, IDC_HINT.

// Files selection (134).
#define IDC_LEFT_CAPTION 1030
#define IDC_RIGHT_CAPTION 1031
#define IDC_LEFT_PICTURE 1032
#define IDC_RIGHT_PICTURE 1033
#define IDC_LEFT_BROWSE 1034
#define IDC_LEFT_REMOVE 1035
#define IDC_RIGHT_BROWSE 1036
#define IDC_RIGHT_REMOVE 1037
#define IDC_LEFT_LIST 1038
#define IDC_RIGHT_LIST 1039
#define IDC_DIRECTION_ARROW 1040
#define IDC_PREVIEW_TITLE 1046  // the preview of the chosen row's source
#define IDC_PREVIEW_PICTURE 1047
#define IDC_PREVIEW_SUMMARY 1048

// Conversion and transfer (135).
#define IDC_STATUS 1041
#define IDC_FILE_PROGRESS 1042
#define IDC_BLANK 1043
#define IDC_SECOND_PROGRESS 1044
#define IDC_CODE_PAGE_NOTE 1045

// Finish (133).
#define IDC_OUTCOME 1050
#define IDC_VOLUME_NOTE 1051
#define IDC_DETAILS 1052

// Map region selection (139), the numbers its logic names.
#define IDC_DESTINATION 1004
#define IDC_PLACEMENT 1005
#define IDC_TOTAL 1006
#define IDC_AVAILABLE 1007
#define IDC_REGIONS 1008
#define IDC_UNUSED_BUTTON 1009
#define IDC_ADD_REGIONS 1010
#define IDC_REGIONS_PROMPT 1018
#define IDC_DESTINATION_PROMPT 1019
#define IDC_NO_ROOM 1025
#define IDC_REFUSAL 1026
#define IDC_AVAILABLE_LABEL 1027
#define IDC_TOTAL_LABEL 1028

// Map transfer (141).
#define IDC_TRANSFER_STATUS 1010
#define IDC_TIME_LEFT 1013
#define IDC_FILE_BLOCKS 1015
#define IDC_TIME_LEFT_LABEL 1016
#define IDC_TOTAL_BLOCKS 1017
#define IDC_COPYING_LABEL 1018
#define IDC_FILE_NAME 1019
#define IDC_MADE_ROOM 1020

// Please-wait box (138).
#define IDC_ANIMATION 1060
#define IDC_WAIT_TEXT 1061

// About box (100).
#define IDC_ABOUT_ICON 1070
#define IDC_ABOUT_LINE 1071
