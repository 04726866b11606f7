#include "tasks/file_info_texts.h"

FileInfoTexts g_fileInfoTexts;
