# Picture bridge and clipboard, on the offscreen platform.
orrisbay_test(test_imageio_bridge
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_bridge_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/clipboard_test.cpp
    LIBS orrisbay_imageio_qt
    QT)

# Clipboard exchange with another program through a real X server: the
# wrapper starts its own Xvfb, runs the test on the xcb platform and stops the
# server (and with it any xclip still serving the selection) afterwards.
add_executable(test_imageio_x11_clipboard
    ${CMAKE_CURRENT_LIST_DIR}/x11_clipboard_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/qt_test_main.cpp)
target_include_directories(test_imageio_x11_clipboard PRIVATE
    ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_imageio_x11_clipboard PRIVATE
    orrisbay_imageio_qt Qt6::Widgets GTest::gtest)
add_test(NAME test_imageio_x11_clipboard
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/x11_clipboard_test.sh
            $<TARGET_FILE:test_imageio_x11_clipboard>)
set_tests_properties(test_imageio_x11_clipboard PROPERTIES
    ENVIRONMENT "ORRISBAY_QUIET_IMAGE_LIBRARY=1"
    SKIP_RETURN_CODE 77
    TIMEOUT 120)
