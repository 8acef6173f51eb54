# Compresses INPUT into OUTPUT as Debian wants it: the most compression, no name or time stamp.
#   cmake -DINPUT=file -DOUTPUT=file.gz -DGZIP=/bin/gzip -P Gzip.cmake
execute_process(COMMAND "${GZIP}" -9 -n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "${GZIP} could not compress ${INPUT} into ${OUTPUT}")
endif()
