# shellcheck shell=bash disable=SC2034  # sets variables for the script that sources it
# Start-up of the demo shop, shared by scripts/run and scripts/tour (source it, do not run it).
# Needs: repo (the checkout) set before sourcing. Gives:
#   demo_programs BUILD_DIR   sets quorvel, tables, market, standin, inbox
#   demo_prepare DIR          exports the demo's data, registry, transcript and socket places,
#                             creates the tables and the shop's state where they are missing
#   demo_start_market DIR [fixed]  starts quorvel-market as the demo shop (fixed: no new orders
#                             arrive); sets http, https, cert,
#                             market_pid; exports QUORVEL_HOST_MAP and QUORVEL_TRUSTED_CERT
#   demo_install_im           registers the stand-in IM client
#   demo_stop                 stops what demo_start_market and the IM service started
# Every process started here is remembered in demo_pids.

demo_pids=()

demo_programs() {
  local bin=$1
  quorvel=$bin/bin/quorvel
  tables=$bin/tools/quorvel-tables/quorvel-tables
  market=$bin/tools/quorvel-market/quorvel-market
  standin=$bin/tools/standin-im/standin-im
  inbox=$bin/tools/standin-im/standin-im-inbox
}

demo_prepare() {
  local demo=$1
  mkdir -p "$demo"
  export QUORVEL_DATA_DIR=$demo/data
  export QUORVEL_REGISTRY=$demo/registry
  export QUORVEL_IM_DIR=$demo/inbox
  export QUORVEL_IM_SOCKET=$demo/standin-im.sock
  mkdir -p "$QUORVEL_DATA_DIR" "$QUORVEL_IM_DIR"
  "$tables" check "$QUORVEL_DATA_DIR" >/dev/null 2>&1 || "$tables" create "$QUORVEL_DATA_DIR" >/dev/null
  [ -f "$demo/shop.state" ] || cp "$repo/scripts/demo-shop.state" "$demo/shop.state"
}

# The shop picks free ports and prints them once it listens. A second argument "fixed" keeps
# new orders from arriving, for runs that check exact outcomes.
demo_start_market() {
  local demo=$1 arrivals=--demo
  [ "${2:-}" = fixed ] && arrivals=
  rm -f "$demo/ports"
  "$market" --port 0 --tls-port 0 --state "$demo/shop.state" --dir "$demo" $arrivals --print-ports \
    >"$demo/ports" 2>"$demo/market.err" &
  market_pid=$!
  demo_pids+=("$market_pid")
  local _
  for _ in $(seq 100); do
    grep -q '^http=' "$demo/ports" 2>/dev/null && break
    kill -0 "$market_pid" 2>/dev/null || break
    sleep 0.1
  done
  http='' https='' cert=''
  read -r http https cert < <(sed -n 's/^http=\([0-9]*\) https=\([0-9]*\) cert=\(.*\)$/\1 \2 \3/p' "$demo/ports")
  if [ -z "${http:-}" ]; then
    echo "the demo shop did not start:" >&2
    cat "$demo/market.err" >&2
    return 1
  fi
  export QUORVEL_HOST_MAP="login.taobao.com=127.0.0.1:$https,wuliu.taobao.com=127.0.0.1:$http,member1.taobao.com=127.0.0.1:$http,update.quorvel.net=127.0.0.1:$http"
  export QUORVEL_TRUSTED_CERT=$cert
}

demo_install_im() {
  "$standin" install >/dev/null
}

demo_stop() {
  local pid
  for pid in "${demo_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$standin" stop >/dev/null 2>&1 || true
  for pid in "${demo_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  demo_pids=()
}
