// The part of iconv the codec uses, for Windows, whose C library has none: UTF-8, code page
// 936 and GB18030 both ways, with iconv's errors (EILSEQ, EINVAL, E2BIG) and its in/out pointer
// updates.
#pragma once

#include <cstddef>

typedef void* iconv_t;

// "UTF-8", "CP936", "GBK" or "GB18030" each way; (iconv_t)-1 with errno EINVAL for anything else.
iconv_t iconv_open(const char* to, const char* from);
std::size_t iconv(iconv_t cd, char** in, std::size_t* in_left, char** out, std::size_t* out_left);
int iconv_close(iconv_t cd);
