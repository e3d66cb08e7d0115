// The shared radio pieces.
#include "radios/radio_common.h"

void light_digit(ElementHeader* element, int32_t power_on) {
    if (power_on != 0)
        element->image_flags |= IMAGE_LUMINOUS;
    else
        element->image_flags &= ~IMAGE_LUMINOUS;
    element->image_flags &= ~IMAGE_ON_SCREEN;
}

void radio_click_open(RadioClick& click, uintptr_t instance) {
    click.instance = instance;
    click.window = find_host_window();
    sound_open(click.window, &click.sound.device);
    load_click_resource(click.window, click.sound.device, &click.sound.click, CLICK_RESOURCE_ID, click.instance);
}

void radio_click_play(RadioClick& click) { sound_play(&click.sound.click, 0); }

void radio_click_close(RadioClick& click) {
    sound_release_buffer(&click.sound.click);
    sound_release_device(&click.sound.device);
}
