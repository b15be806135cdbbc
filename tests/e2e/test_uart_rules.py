#!/usr/bin/python3
"""UART rules made in the real window: a rule set up in the rules dialog
answers the serial device behind a socat bridge, and is there again after
a restart, from the settings file."""
from driver import click, find, replace_text, wait_until
from harness import ProgramTestCase, main
from screens import connect_uart


class UartRulesTest(ProgramTestCase):

    def connect(self, program):
        device = self.serial_device()
        terminal = connect_uart(program, device)
        return device, terminal

    def test_a_rule_made_in_the_dialog_answers_and_survives_a_restart(self):
        config = self.path("config")
        first = self.start_program(config_home=config)
        device, _ = self.connect(first)
        first.menu("Extra", "UART rules...")
        rules = first.window("UART rules")
        click(find(rules, "push button", "Add..."))
        edit = first.window("UART rule")
        replace_text(find(edit, "text", "Pattern"), "READY?")
        click(find(edit, "check box", "Send"))
        replace_text(find(edit, "text", "Message to send"), "GO")
        click(find(edit, "push button", "OK"))
        first.no_window("UART rule")
        click(find(rules, "push button", "OK"))
        first.no_window("UART rules")

        device.write(b"READY?\r\n")
        self.assertEqual(device.read(2), b"GO")
        self.assertEqual(device.read_until_quiet(), b"", "one answer only")
        self.quit_cleanly(first)

        second = self.start_program(config_home=config)
        device, terminal = self.connect(second)
        device.write(b"READY?\r\n")
        self.assertEqual(device.read(2), b"GO")
        wait_until(lambda: terminal.rx_text().endswith("READY?\r\nGO\n"), "the answer echoed in the view")
        self.quit_cleanly(second)


if __name__ == "__main__":
    main()
