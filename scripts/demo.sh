#!/usr/bin/env bash
# Shows Brindlow at work without the internet: builds the release program,
# makes a demo program folder (build/demo) whose db.mdb holds a few shares
# with watched prices near their simulated prices, starts the simulated
# market (tools/market-sim) on a free loopback port and the program pointed
# at it. market-sim stops when the program ends.
#
#   ./scripts/demo.sh
#   xvfb-run -a -s '-screen 0 1280x800x24' ./scripts/demo.sh   (no display)
#
# BRINDLOW_BUILD_DIR (default build/release) and BRINDLOW_DEMO_DIR (default
# build/demo) choose other folders.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BRINDLOW_BUILD_DIR:-build/release}
demo=${BRINDLOW_DEMO_DIR:-build/demo}

./scripts/install-deps.sh

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found. Brindlow is a desktop program; to see the demo without one, run it on a virtual display:"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' $0"
  exit 1
fi

cmake --preset release -B "$build" -DBRINDLOW_BUILD_TESTS=OFF -DBRINDLOW_BUILD_BENCH=OFF
cmake --build "$build" --target brindlow market-sim brindlow-make-db

# The demo program folder: the program and its own db.mdb, made afresh.
rm -rf "$demo"
mkdir -p "$demo"
cp "$build/src/shell/brindlow" "$demo/brindlow"
"$build/tools/make-db/brindlow-make-db" "$demo/db.mdb"

# The simulated market, its session repeating all day so that prices move.
sim_log="$demo/market-sim.log"
"$build/tools/market-sim/market-sim" --port 0 --always-open >"$sim_log" 2>&1 &
sim_pid=$!
# shellcheck disable=SC2317  # called by the trap
stop_market() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_market EXIT
trap 'exit 130' INT TERM

port=""
for _ in $(seq 100); do
  port=$(sed -n 's/^market-sim listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$sim_log" | head -n 1)
  [[ -n "$port" ]] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$port" ]]; then
  echo "market-sim did not start:" >&2
  cat "$sim_log" >&2
  exit 1
fi
echo "market-sim is serving quotes and charts on 127.0.0.1:$port"

# The shares of the demo: code, market, and how far above (+) or below (-)
# today's price the watched price lies, in percent. Within 0.6 % (the
# program's default tolerance) a share alerts.
shares=(
  "601288 sh 0"
  "600000 sh 0.4"
  "000001 sh 3"
  "000002 sz -0.3"
  "300750 sz 6"
  "399001 sz 0.2"
)

# Today's simulated quote of each share, asked of market-sim over plain HTTP
# (GBK, one record a line), for its name and current price.
list=""
for share in "${shares[@]}"; do
  read -r code market _ <<<"$share"
  list+="${list:+,}$market$code"
done
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /list=%s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$list" >&3
quotes=$(timeout 10 cat <&3 | iconv -f GBK -t UTF-8)
exec 3<&-

stamp=$(date '+%Y年%-m月%-d日%-H时%-M分%-S秒')
sql="BEGIN;"
for share in "${shares[@]}"; do
  read -r code market offset <<<"$share"
  record=$(printf '%s\n' "$quotes" | sed -n "s/^var hq_str_$market$code=\"\\([^\"]*\\)\";.*/\\1/p")
  name=$(cut -d, -f1 <<<"$record")
  price=$(cut -d, -f4 <<<"$record")
  if [[ -z "$name" || -z "$price" ]]; then
    echo "market-sim has no quote for $market$code" >&2
    exit 1
  fi
  watched=$(awk -v p="$price" -v o="$offset" 'BEGIN { printf "%.2f", p * (1 + o / 100) }')
  if [[ $market == sh ]]; then exchange="上海证券交易所"; else exchange="深圳证券交易所"; fi
  sql+="INSERT INTO \"股票\" (\"股票代码\", \"股票名称\", \"当前价格\", \"监控价格\", \"交易所\", \"最后操作时间\")"
  sql+=" VALUES ('$code', '$name', '$price', '$watched', '$exchange', '$stamp');"
done
sql+="COMMIT;"
sqlite3 "$demo/db.mdb" "$sql"
echo "The watch list in $demo/db.mdb:"
sqlite3 -column -header "$demo/db.mdb" \
  'SELECT "股票代码", "股票名称", "当前价格", "监控价格", "交易所" FROM "股票";'

cat <<EOF

Starting Brindlow from $demo. Try:
  查看        look up the quote of the code in the box (601288 to start with)
  开始监控    a monitoring pass every 5 s: alerts in the log and in a balloon
  12列        the intraday charts; double-click one to enlarge it
  Esc         closes a window; closing the main window ends the demo
EOF

# Started from here, not from its folder: it finds its own db.mdb all the same.
status=0
BRINDLOW_QUOTE_HOST="127.0.0.1:$port" BRINDLOW_CHART_HOST="127.0.0.1:$port" \
  "$demo/brindlow" || status=$?
exit "$status"
