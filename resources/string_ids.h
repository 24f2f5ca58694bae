/* The ids of the plug-in's texts: strings.rc gives each its text, the code asks for them
 * by these names. Plain defines, so that the resource compiler reads this file too. */
#ifndef JXL_RESOURCES_STRING_IDS_H
#define JXL_RESOURCES_STRING_IDS_H

/* Messages to the host's user. */
#define IDS_CANNOT_OPEN_FILE 101
#define IDS_BAD_FILE_FORMAT 102

/* The settings list. */
#define IDS_SETTINGS_HEADING 103
#define IDS_PRISM_CONSTANT_APPLY 104
#define IDS_PRISM_CONSTANT_IGNORE 105
#define IDS_PRISM_CONSTANT_LABEL 106
#define IDS_SECTION_IMPORT 107
#define IDS_SECTION_SKIP 108
#define IDS_FIELD_BOOK_LABEL 109
#define IDS_REDUCTIONS_LABEL 110

/* When a failure stops a file: memory exhausted, or anything else. Block 7 (ids 96 to
 * 111) holds the texts above alone, as the host application knows the table; these two
 * come in the next block. */
#define IDS_NOT_ENOUGH_MEMORY 113
#define IDS_IMPORT_INTERRUPTED 114

#endif
