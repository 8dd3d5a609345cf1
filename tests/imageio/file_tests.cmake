# File types and loading, the open-file request and its text operations, the file watcher.
orrisbay_test(test_imageio_files
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/file_types_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/file_watcher_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/text_ops_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/file_dialog_request_test.cpp
    LIBS orrisbay_imageio)

# The Qt file dialog behind the request, driven on the offscreen platform.
orrisbay_test(test_imageio_file_dialog
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_file_dialog_test.cpp
    LIBS orrisbay_imageio_qt
    QT)
