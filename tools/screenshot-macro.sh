# Sourced by the screenshot scripts: write_screenshot_macro <folder> writes the data files of the
# pictures into a program folder: the macro "Greeting" (typing "hello", recorded with the demo
# itself) and key A carrying it, so every run shows the same.
write_screenshot_macro() {
  local code state delay name
  local steps=(
    '458763 1 59 H' '458763 0 176 H' '458760 1 61 E' '458760 0 176 E' '458767 1 60 L'
    '458767 0 176 L' '458767 1 60 L' '458767 0 176 L' '458770 1 61 O' '458770 0 0 O'
  )
  {
    echo '<?xml version="1.0"?>'
    echo '<config type="0" repeat="1" mode="0" delay="10" media="0" function="0" group="0" skcode="0" play="0" />'
    echo '<macro>'
    echo '	<group name="Greeting">'
    for step in "${steps[@]}"; do
      read -r code state delay name <<<"$step"
      echo "		<item code=\"$code\" state=\"$state\" delay=\"$delay\" name=\"$name\" />"
    done
    echo '	</group>'
    echo '</macro>'
  } >"$1/macro.xml"
  {
    echo '<?xml version="1.0"?>'
    echo '<record code="70004" play="2" type="0" repeat="1" name="A" group="Greeting">'
    for step in "${steps[@]}"; do
      read -r code state delay name <<<"$step"
      echo "	<item code=\"$(printf '%x' "$code")\" state=\"$state\" delay=\"$delay\" name=\"$name\" />"
    done
    echo '</record>'
  } >"$1/record.xml"
}
